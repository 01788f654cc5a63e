// Win32WindowBackend: edit selections, the log's two primitives, combo box items, IP
// addresses, label styles and the controls' colours. Selection offsets cross the boundary as GBK byte
// offsets (CR LF counting two in multi-line boxes, as the native control holds them).
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>

#include "platform/line_breaks.h"
#include "platform/win32/win32_backend_state.h"
#include "platform/win32/win32_colours.h"
#include "platform/win32/win32_window_backend.h"

namespace platform::win32 {
namespace {

// The window that holds the text of an edit box, or of an editable combo box's field.
HWND edit_field(const Window* w) {
  if (!w || !w->hwnd) return nullptr;
  if (w->kind == WidgetKind::Edit) return w->hwnd;
  if (w->kind != WidgetKind::ComboBox || w->combo_style == 2) return nullptr;
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  return GetComboBoxInfo(w->hwnd, &info) ? info.hwndItem : nullptr;
}

}  // namespace

HBRUSH Win32BackendState::control_colours(HWND control, HDC dc) {
  Window* w = find(handle_of(control));
  if (!w || (w->kind != WidgetKind::Edit && w->kind != WidgetKind::ComboBox)) return nullptr;
  if (w->text_colour == 0 && w->background == 0xFFFFFF) return nullptr;  // the control's own look
  SetTextColor(dc, to_colorref(w->text_colour));
  SetBkColor(dc, to_colorref(w->background));
  if (!w->background_brush) w->background_brush = CreateSolidBrush(to_colorref(w->background));
  return w->background_brush;
}

std::pair<int, int> Win32WindowBackend::edit_selection(Handle edit) const {
  HWND field = edit_field(state_->find(edit));
  if (!field) return {0, 0};
  DWORD start = 0, end = 0;
  SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const std::wstring text = window_text(field);
  return {offset_of_position(text, static_cast<int>(start)), offset_of_position(text, static_cast<int>(end))};
}

// As the native control: a start of -1 drops the selection and keeps the caret; an end of
// -1 means the end of the text; reversed bounds are swapped; everything is clamped.
void Win32WindowBackend::edit_set_selection(Handle edit, int start, int end) {
  HWND field = edit_field(state_->find(edit));
  if (!field) return;
  if (start < 0) {
    DWORD caret = 0;
    SendMessageW(field, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    SendMessageW(field, EM_SETSEL, caret, static_cast<LPARAM>(caret));
    return;
  }
  const std::wstring text = window_text(field);
  if (end < 0) end = gbk_length(text);
  if (start > end) std::swap(start, end);
  SendMessageW(field, EM_SETSEL, static_cast<WPARAM>(position_of_offset(text, start)),
               static_cast<LPARAM>(position_of_offset(text, end)));
}

// Replaces the selection (or inserts at the caret), not undoable, and reports one Changed.
void Win32WindowBackend::edit_replace_selection(Handle edit, std::string_view gbk) {
  Window* w = state_->find(edit);
  HWND field = edit_field(w);
  if (!field) return;
  const std::wstring text = widen(w->multi_line ? crlf_line_breaks(gbk) : std::string(gbk));
  ++w->changed_mute;
  SendMessageW(field, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  --w->changed_mute;
  state_->notify(edit, Notify::Changed);
}

namespace {

// The first `count` characters of an edit box's text; costs what it reads.
std::wstring text_prefix(HWND edit, size_t count) {
  std::wstring out(count + 1, L'\0');
  const LRESULT got = SendMessageW(edit, WM_GETTEXT, count + 1, reinterpret_cast<LPARAM>(out.data()));
  out.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return out;
}

// How many characters at the front of the box's text hold `bytes` GBK bytes (up to the next
// character boundary); adds their bytes to `dropped`. Reads the text a growing piece at a
// time, so it costs about what it drops.
size_t front_chars(HWND edit, size_t length, int64_t bytes, int64_t& dropped) {
  size_t want = static_cast<size_t>(std::min<int64_t>(bytes, static_cast<int64_t>(length))) + 64;
  for (;;) {
    want = std::min(want, length);
    const std::wstring front = text_prefix(edit, want);
    const size_t i = chars_holding(front, bytes);
    const int64_t counted = offset_of_position(front, static_cast<int>(i));
    // Short of the bytes with more text to read, or ending on the first half of a pair whose
    // second half is not read yet: read more.
    const bool cut_pair = i == front.size() && i > 0 && front[i - 1] >= 0xD800 && front[i - 1] <= 0xDBFF;
    if ((counted >= bytes && !cut_pair) || want >= length) {
      dropped += counted;
      return i;
    }
    want *= 2;
  }
}

// The caret to the end of the box's text, scrolled into view.
void caret_to_end(HWND box, size_t length) {
  SendMessageW(box, EM_SETSEL, length, static_cast<LPARAM>(length));
  SendMessageW(box, EM_SCROLLCARET, 0, 0);
}

}  // namespace

// The box's text limit is raised as it grows (the native default stops a log at 30,000
// characters); line breaks come as CR LF, as the box shows them and as they count.
size_t Win32WindowBackend::append_native(WindowRecord& record, std::string_view gbk) {
  auto& w = static_cast<Window&>(record);
  if (!w.hwnd) return 0;
  HWND box = w.hwnd;
  const std::wstring text = widen(gbk);
  const size_t length = static_cast<size_t>(std::max(GetWindowTextLengthW(box), 0));
  const auto room = static_cast<size_t>(SendMessageW(box, EM_GETLIMITTEXT, 0, 0));
  if (length + text.size() > room) SendMessageW(box, EM_SETLIMITTEXT, std::max(room * 2, length + text.size()), 0);
  caret_to_end(box, length);
  SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));  // not undoable
  caret_to_end(box, length + text.size());
  return static_cast<size_t>(gbk_length(text));
}

size_t Win32WindowBackend::drop_front_native(WindowRecord& record, size_t bytes) {
  auto& w = static_cast<Window&>(record);
  if (!w.hwnd) return 0;
  HWND box = w.hwnd;
  const size_t length = static_cast<size_t>(std::max(GetWindowTextLengthW(box), 0));
  int64_t dropped = 0;
  const size_t cut = front_chars(box, length, static_cast<int64_t>(std::min<uint64_t>(bytes, INT64_MAX)), dropped);
  SendMessageW(box, EM_SETSEL, 0, static_cast<LPARAM>(cut));
  SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
  caret_to_end(box, length - cut);
  return static_cast<size_t>(dropped);
}

void Win32WindowBackend::edit_scroll_caret(Handle edit) {
  const Window* w = state_->find(edit);
  if (w && w->kind == WidgetKind::Edit && w->hwnd) SendMessageW(w->hwnd, EM_SCROLLCARET, 0, 0);
}

void Win32WindowBackend::insert_item_native(Handle combo, int index, std::string_view gbk) {
  const Window* w = state_->find(combo);
  if (!w || !w->hwnd) return;
  const std::wstring item = widen(gbk);
  const WPARAM at = index >= combo_count(combo) ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(index);  // -1: the end
  SendMessageW(w->hwnd, CB_INSERTSTRING, at, reinterpret_cast<LPARAM>(item.c_str()));
}

int Win32WindowBackend::combo_count(Handle combo) const {
  const Window* w = state_->find(combo);
  if (!w || w->kind != WidgetKind::ComboBox) return 0;
  return static_cast<int>(SendMessageW(w->hwnd, CB_GETCOUNT, 0, 0));
}

std::string Win32WindowBackend::combo_item(Handle combo, int index) const {
  const Window* w = state_->find(combo);
  if (!w || w->kind != WidgetKind::ComboBox || index < 0 || index >= combo_count(combo)) return {};
  const LRESULT n = SendMessageW(w->hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n <= 0) return {};
  std::wstring item(static_cast<size_t>(n) + 1, L'\0');
  const LRESULT got = SendMessageW(w->hwnd, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item.data()));
  item.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return narrow(item);
}

int Win32WindowBackend::combo_current(Handle combo) const {
  const Window* w = state_->find(combo);
  if (!w || w->kind != WidgetKind::ComboBox) return -1;
  return static_cast<int>(SendMessageW(w->hwnd, CB_GETCURSEL, 0, 0));
}

// An index outside the items clears the selection and the field; a valid one shows the
// item's text, selected.
void Win32WindowBackend::combo_set_current(Handle combo, int index) {
  Window* w = state_->find(combo);
  if (!w || w->kind != WidgetKind::ComboBox) return;
  if (index < 0 || index >= combo_count(combo)) index = -1;
  ++w->changed_mute;
  SendMessageW(w->hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  if (index < 0 && w->combo_style != 2) SetWindowTextW(w->hwnd, L"");
  // Selected while the box has the focus; elsewhere no selection is left showing in the field.
  const bool focused = state_->handle_of(GetFocus()) == combo;
  if (w->combo_style != 2) SendMessageW(w->hwnd, CB_SETEDITSEL, 0, focused ? MAKELPARAM(0, -1) : MAKELPARAM(-1, 0));
  --w->changed_mute;
}

void Win32WindowBackend::ip_set(Handle ip, const uint8_t parts[4]) {
  Window* w = state_->find(ip);
  if (!w || w->kind != WidgetKind::IpAddress) return;
  ++w->changed_mute;
  SendMessageW(w->hwnd, IPM_SETADDRESS, 0, static_cast<LPARAM>(MAKEIPADDRESS(parts[0], parts[1], parts[2], parts[3])));
  --w->changed_mute;
}

void Win32WindowBackend::ip_clear(Handle ip) {
  Window* w = state_->find(ip);
  if (!w || w->kind != WidgetKind::IpAddress) return;
  ++w->changed_mute;
  SendMessageW(w->hwnd, IPM_CLEARADDRESS, 0, 0);
  --w->changed_mute;
}

bool Win32WindowBackend::ip_blank(Handle ip) const {
  const Window* w = state_->find(ip);
  return !w || w->kind != WidgetKind::IpAddress || SendMessageW(w->hwnd, IPM_ISBLANK, 0, 0) != 0;
}

// Empty fields read as 0.
void Win32WindowBackend::ip_get(Handle ip, uint8_t parts[4]) const {
  const Window* w = state_->find(ip);
  DWORD address = 0;
  if (w && w->kind == WidgetKind::IpAddress) SendMessageW(w->hwnd, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
  parts[0] = static_cast<uint8_t>(FIRST_IPADDRESS(address));
  parts[1] = static_cast<uint8_t>(SECOND_IPADDRESS(address));
  parts[2] = static_cast<uint8_t>(THIRD_IPADDRESS(address));
  parts[3] = static_cast<uint8_t>(FOURTH_IPADDRESS(address));
}

void Win32WindowBackend::label_set_style(Handle label, const LabelStyle& style) {
  Window* w = state_->find(label);
  if (!w || w->kind != WidgetKind::Label) return;
  w->label = style;
  LONG_PTR ex = GetWindowLongPtrW(w->hwnd, GWL_EXSTYLE) & ~(WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE);
  LONG_PTR plain = GetWindowLongPtrW(w->hwnd, GWL_STYLE) & ~WS_BORDER;
  switch (style.border) {
    case 1: ex |= WS_EX_CLIENTEDGE; break;
    case 2: ex |= WS_EX_DLGMODALFRAME; break;
    case 3: ex |= WS_EX_STATICEDGE; break;
    case 4: ex |= WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE; break;
    case 5: plain |= WS_BORDER; break;
    default: break;
  }
  SetWindowLongPtrW(w->hwnd, GWL_EXSTYLE, ex);
  SetWindowLongPtrW(w->hwnd, GWL_STYLE, plain);
  SetWindowPos(w->hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  state_->apply_geometry(label, w->logical);
  InvalidateRect(w->hwnd, nullptr, TRUE);
}

}  // namespace platform::win32
