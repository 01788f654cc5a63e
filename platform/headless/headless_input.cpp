// The user's side of the headless backend: clicks, focus moves, typing, pasting, keys and
// the close box, each performed at once on the calling (UI) thread.
#include <string>

#include "platform/gbk_codec.h"
#include "platform/headless/backend_state.h"
#include "platform/headless/headless_backend.h"

namespace platform::headless {

using detail::Window;

namespace {

bool accepts_typing(const Window& w) {
  return w.has_edit_field() && !(w.kind == WidgetKind::Edit && w.edit.read_only);
}

// Room left under the control's length limit for replacing the current selection.
size_t room_for_input(const Window& w) {
  if (w.max_length() <= 0) return std::string::npos;
  const size_t kept = w.text.size() - static_cast<size_t>(w.sel_end - w.sel_start);
  const size_t limit = static_cast<size_t>(w.max_length());
  return kept >= limit ? 0 : limit - kept;
}

// Start of the character that ends at byte `end`, stepping over two-byte GBK characters.
int previous_char_start(const std::string& text, int end) {
  int pos = 0, last = 0;
  while (pos < end) {
    last = pos;
    pos += (static_cast<uint8_t>(text[static_cast<size_t>(pos)]) >= 0x81 && pos + 1 < end) ? 2 : 1;
  }
  return last;
}

// What the user's edit of a field reports: an edit box's text changed; a combo box's field
// was edited (its list selection stays as it was).
Notify edit_report(const Window& w) { return w.kind == WidgetKind::ComboBox ? Notify::Edited : Notify::Changed; }

}  // namespace

void HeadlessBackend::click(Handle button) {
  State& s = *state_;
  if (!s.windows.reachable(button)) return;
  set_focus(button);
  // A press that lost the focus on the way (a focus-lost check moved it back) is no click.
  if (s.focused() == button && s.windows.reachable(button)) s.notify(button, Notify::Clicked);
}

void HeadlessBackend::user_focus(Handle window) {
  const Window* w = state_->find(window);
  if (!w || !w->enabled) return;
  set_focus(window);
}

// Each character as the windowed backends take one (WindowBookkeeping::type_char): case
// converted as the box asks, offered to the form's filter, and inserted as the filter left it.
void HeadlessBackend::type_text(Handle window, const std::string& gbk) {
  State& s = *state_;
  for (size_t i = 0; i < gbk.size();) {
    const Window* w = s.find(window);
    if (!w || !accepts_typing(*w)) return;
    const auto lead = static_cast<uint8_t>(gbk[i]);
    const size_t len = (lead >= 0x81 && i + 1 < gbk.size()) ? 2 : 1;
    std::string bytes = gbk.substr(i, len);
    i += len;
    if (lead < 32) {
      type_control(window, static_cast<char>(lead));
      continue;
    }
    const std::string utf8 = gbk_to_utf8_lossy(bytes);
    size_t at = 0;
    const char32_t typed = next_code_point(utf8, at);
    const WindowBookkeeping::Typed taken = s.type_char(window, typed);
    if (taken.gone) return;
    if (!taken.taken) continue;
    if (taken.ch != typed) bytes = utf8_to_gbk(utf8_of(taken.ch)).value_or("?");
    Window* now = s.find(window);
    if (room_for_input(*now) < bytes.size()) continue;
    detail::replace_range(*now, now->sel_start, now->sel_end, bytes);
    s.notify(window, edit_report(*now));
  }
}

// Control characters are not offered to the filter; the control acts on the ones it knows.
void HeadlessBackend::type_control(Handle window, char ch) {
  Window* w = state_->find(window);
  const bool multi = w->kind == WidgetKind::Edit && w->edit.multi_line;
  if (ch == '\b') {
    if (w->sel_start == w->sel_end && w->sel_start == 0) return;
    const int start = w->sel_start == w->sel_end ? previous_char_start(w->text, w->sel_start) : w->sel_start;
    detail::replace_range(*w, start, w->sel_end, {});
  } else if (multi && (ch == '\r' || ch == '\t')) {
    const std::string bytes = ch == '\r' ? "\r\n" : "\t";
    if (room_for_input(*w) < bytes.size()) return;
    detail::replace_range(*w, w->sel_start, w->sel_end, bytes);
  } else {
    return;
  }
  state_->notify(window, edit_report(*w));
}

void HeadlessBackend::paste(Handle window, const std::string& gbk) {
  Window* w = state_->find(window);
  if (!w || !accepts_typing(*w)) return;
  std::string bytes = gbk;
  // A single-line field takes the first line only.
  if (!(w->kind == WidgetKind::Edit && w->edit.multi_line)) bytes = bytes.substr(0, bytes.find_first_of("\r\n"));
  const size_t room = room_for_input(*w);
  if (bytes.size() > room) {
    size_t cut = 0;  // never split a two-byte character at the limit
    while (cut < bytes.size()) {
      const size_t len = static_cast<uint8_t>(bytes[cut]) >= 0x81 && cut + 1 < bytes.size() ? 2 : 1;
      if (cut + len > room) break;
      cut += len;
    }
    bytes.resize(cut);
  }
  detail::replace_range(*w, w->sel_start, w->sel_end, bytes);
  state_->notify(window, edit_report(*w));
}

void HeadlessBackend::choose_item(Handle combo, int index) {
  const Window* w = state_->find(combo);
  if (!w || w->kind != WidgetKind::ComboBox || !state_->windows.reachable(combo)) return;
  if (index < 0 || index >= static_cast<int>(w->items.size())) return;
  combo_set_current(combo, index);
  state_->notify(combo, Notify::Chosen);
}

void HeadlessBackend::press_key(Key key, bool shift) {
  State& s = *state_;
  const Handle focus = s.focused();
  if (focus == 0) return;
  if (s.offer_key(focus, KeyPress{key, shift, false, false})) return;
  const Window* w = s.find(focus);
  if (key == Key::Enter && w && w->kind == WidgetKind::Edit && w->edit.multi_line && !w->edit.read_only)
    type_control(focus, '\r');
}

void HeadlessBackend::close_box(Handle frame) {
  if (state_->find(frame)) state_->notify(frame, Notify::CloseRequest);
}

}  // namespace platform::headless
