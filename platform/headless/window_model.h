// The headless window tree: plain data for every window and control, no notifications.
// The backend decides what to report; this only keeps the model consistent.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window_types.h"

namespace platform::headless::detail {

struct Window {
  Handle handle = 0;
  WidgetKind kind = WidgetKind::Hidden;
  Handle parent = 0;
  std::vector<Handle> children;  // keyboard order, first to last
  Geometry geometry;
  std::string text;              // GBK; for a combo box its edit field
  bool enabled = true, visible = false, tab_stop = false;
  int control_id = 0;
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

  bool has_edit_field() const {
    return kind == WidgetKind::Edit || (kind == WidgetKind::ComboBox && combo.style != 2);
  }
  int max_length() const { return kind == WidgetKind::Edit ? edit.max_length : combo.max_length; }
};

class WindowTree {
 public:
  // 0 when the parent is given but does not exist.
  Handle add(const CreateParams& params);
  Window* find(Handle h);
  const Window* find(Handle h) const;
  // The window and all its descendants, children before their parent.
  std::vector<Handle> subtree_children_first(Handle h) const;
  // Unlinks the window from its parent and erases it with its descendants.
  void erase_subtree(Handle h);
  // False (and nothing changes) when it would make a cycle or the parent is missing.
  bool reparent(Handle h, Handle parent);
  void set_tab_order(Handle parent, const std::vector<Handle>& order);
  bool is_inside(Handle h, Handle ancestor) const;  // true for h == ancestor
  // Visible/enabled together with every ancestor, as a user would see it.
  bool reachable(Handle h) const;
  Handle frame_of(Handle h) const;

 private:
  void unlink(Handle h);
  std::map<Handle, Window> windows_;
  Handle next_ = 0x100;  // handles are never reused
};

// Replaces [start, end) of the text, leaving the caret after the insertion.
void replace_range(Window& w, int start, int end, const std::string& bytes);
// Backend::edit_append on the model: line breaks as CR LF, the text and the caret, scrolled
// into view, at the end. Returns the bytes added.
size_t append_at_end(Window& w, std::string_view bytes);
// Backend::edit_drop_front on the model: at least `bytes` bytes go, up to a character
// boundary (a byte from 0x81 up followed by one from 0x40 up is one character); the caret
// goes to the end. Returns the bytes dropped.
size_t drop_front(Window& w, size_t bytes);
// Clamps a selection to the text as an edit control does (-1 end: to the end).
void clamp_selection(Window& w, int start, int end);

}  // namespace platform::headless::detail
