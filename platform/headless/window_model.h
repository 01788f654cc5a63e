// The headless model of a window or control: plain data, no notifications. The handles and
// the tree are the shared bookkeeping's; the backend decides what to report.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window_tree.h"

namespace platform::headless::detail {

struct Window : WindowRecord {
  Geometry geometry;
  std::string text;              // GBK; for a combo box its edit field
  Font font;
  EditStyle edit;
  ComboStyle combo;
  LabelStyle label;
  int sel_start = 0, sel_end = 0;  // byte offsets, start <= end
  int scrolled_to = 0;             // the caret offset last scrolled into view
  std::vector<std::string> items;
  int current = -1;
  bool ip_blank = true;
  std::array<uint8_t, 4> ip{};

  int max_length() const { return kind == WidgetKind::Edit ? edit.max_length : combo.max_length; }
};

// A new window's model from its creation parameters.
std::unique_ptr<Window> model_window(const CreateParams& params);

// Replaces [start, end) of the text, leaving the caret after the insertion.
void replace_range(Window& w, int start, int end, const std::string& bytes);
// Backend::edit_append on the model (the text's line breaks are CR LF already): the text and
// the caret, scrolled into view, at the end. Returns the bytes added.
size_t append_at_end(Window& w, std::string_view bytes);
// Backend::edit_drop_front on the model: at least `bytes` bytes go, up to a character
// boundary (a byte from 0x81 up followed by one from 0x40 up is one character); the caret
// goes to the end. Returns the bytes dropped.
size_t drop_front(Window& w, size_t bytes);
// Clamps a selection to the text as an edit control does (-1 end: to the end).
void clamp_selection(Window& w, int start, int end);

}  // namespace platform::headless::detail
