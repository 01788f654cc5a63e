#include "platform/headless/window_model.h"

#include <algorithm>

namespace platform::headless::detail {

std::unique_ptr<Window> model_window(const CreateParams& p) {
  auto w = std::make_unique<Window>();
  w->take(p);
  w->geometry = p.geometry;
  w->text = p.text;
  if (p.font) w->font = *p.font;
  w->edit = p.edit;
  w->combo = p.combo;
  w->label = p.label;
  return w;
}

void replace_range(Window& w, int start, int end, const std::string& bytes) {
  const int len = static_cast<int>(w.text.size());
  start = std::clamp(start, 0, len);
  end = std::clamp(end, start, len);
  w.text.replace(static_cast<size_t>(start), static_cast<size_t>(end - start), bytes);
  w.sel_start = w.sel_end = start + static_cast<int>(bytes.size());
}

size_t append_at_end(Window& w, std::string_view bytes) {
  const size_t before = w.text.size();
  w.text += bytes;
  w.sel_start = w.sel_end = w.scrolled_to = static_cast<int>(w.text.size());
  return w.text.size() - before;
}

size_t drop_front(Window& w, size_t bytes) {
  size_t at = 0;
  while (at < bytes && at < w.text.size()) {
    const auto lead = static_cast<uint8_t>(w.text[at]);
    const bool pair = lead >= 0x81 && at + 1 < w.text.size() && static_cast<uint8_t>(w.text[at + 1]) >= 0x40;
    at += pair ? 2 : 1;
  }
  w.text.erase(0, at);
  w.sel_start = w.sel_end = w.scrolled_to = static_cast<int>(w.text.size());
  return at;
}

void clamp_selection(Window& w, int start, int end) {
  const int len = static_cast<int>(w.text.size());
  if (start < 0) {  // -1 start: no selection, the caret stays where it was
    w.sel_start = w.sel_end;
    return;
  }
  if (end < 0) end = len;
  if (start > end) std::swap(start, end);
  w.sel_start = std::min(start, len);
  w.sel_end = std::min(end, len);
}

}  // namespace platform::headless::detail
