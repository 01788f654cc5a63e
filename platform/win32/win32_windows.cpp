// Each kind of window as a native window: made, placed (the form's layout is in pixels at 96
// DPI and every window is placed at its frame's DPI), reparented, its text, font and showing.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "platform/line_breaks.h"
#include "platform/win32/win32_backend_state.h"
#include "platform/win32/win32_dpi.h"
#include "platform/win32/win32_icon.h"
#include "platform/win32/win32_label.h"
#include "platform/win32/win32_window_backend.h"

namespace platform::win32 {
namespace {

constexpr int kDropDownHeight = 160;  // a drop-down combo box's height covers its open list

DWORD edge_ex_style(int border) {
  switch (border) {
    case 1: return WS_EX_CLIENTEDGE;
    case 2: return WS_EX_DLGMODALFRAME;
    case 3: return WS_EX_STATICEDGE;
    case 4: return WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE;
    default: return 0;
  }
}

struct Styles {
  const wchar_t* cls = nullptr;
  DWORD style = 0, ex_style = 0;
};

Styles frame_styles(const FrameStyle& f, const std::string& title) {
  Styles s{kFrameClass, WS_CLIPCHILDREN, 0};
  if (f.border == 0) {
    s.style |= WS_POPUP;
  } else {
    s.style |= WS_DLGFRAME;
    if (!title.empty() || f.system_menu) s.style |= WS_CAPTION | (f.system_menu ? WS_SYSMENU : 0);
    if (f.resizable()) s.style |= WS_THICKFRAME;
    if (f.border == 3 || f.border == 4) s.ex_style |= WS_EX_TOOLWINDOW;
    if (f.border == 5 || f.border == 6) s.ex_style |= WS_EX_CLIENTEDGE;
    if (f.maximise_box) s.style |= WS_MAXIMIZEBOX;
    if (f.minimise_box) s.style |= WS_MINIMIZEBOX;
  }
  if (!f.show_in_taskbar) s.ex_style |= WS_EX_TOOLWINDOW;
  if (f.always_on_top) s.ex_style |= WS_EX_TOPMOST;
  return s;
}

Styles edit_styles(const EditStyle& e) {
  Styles s{L"EDIT", 0, edge_ex_style(e.border)};
  if (e.border == 5) s.style |= WS_BORDER;
  if (!e.hide_selection) s.style |= ES_NOHIDESEL;
  if (e.multi_line) {
    s.style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    if (e.scroll_bars & 1) s.style |= ES_AUTOHSCROLL | WS_HSCROLL;
    if (e.scroll_bars & 2) s.style |= WS_VSCROLL;
  } else {
    s.style |= ES_AUTOHSCROLL;
  }
  if (e.alignment == 1) s.style |= ES_CENTER;
  if (e.alignment == 2) s.style |= ES_RIGHT;
  if (e.read_only) s.style |= ES_READONLY;
  if (e.password) s.style |= ES_PASSWORD;
  if (e.case_conversion == 1) s.style |= ES_LOWERCASE;
  if (e.case_conversion == 2) s.style |= ES_UPPERCASE;
  return s;
}

Styles button_styles(const ButtonStyle& b) {
  Styles s{L"BUTTON", static_cast<DWORD>(BS_MULTILINE | (b.default_button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON)), 0};
  s.style |= b.h_align == 0 ? BS_LEFT : b.h_align == 2 ? BS_RIGHT : BS_CENTER;
  s.style |= b.v_align == 0 ? BS_TOP : b.v_align == 2 ? BS_BOTTOM : BS_VCENTER;
  return s;
}

Styles combo_styles(const ComboStyle& c) {
  DWORD style = c.style == 0 ? CBS_SIMPLE : c.style == 2 ? CBS_DROPDOWNLIST : CBS_DROPDOWN;
  return {L"COMBOBOX", style | WS_VSCROLL | CBS_AUTOHSCROLL, 0};
}

Styles styles_for(const CreateParams& p) {
  switch (p.kind) {
    case WidgetKind::Frame: return frame_styles(p.frame, p.text);
    case WidgetKind::Edit: return edit_styles(p.edit);
    case WidgetKind::Button: return button_styles(p.button);
    case WidgetKind::ComboBox: return combo_styles(p.combo);
    case WidgetKind::GroupBox: return {L"BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, 0};
    case WidgetKind::Label: return {kLabelClass, 0, edge_ex_style(p.label.border)};
    case WidgetKind::IpAddress: return {WC_IPADDRESSW, 0, 0};
    case WidgetKind::Hidden: break;
  }
  return {};
}

// After creation: what the control is given by message rather than by style.
void configure(Window& w, const CreateParams& p) {
  HWND hwnd = w.hwnd;
  switch (p.kind) {
    case WidgetKind::Edit:
      if (p.edit.password)
        SendMessageW(hwnd, EM_SETPASSWORDCHAR, static_cast<unsigned char>(p.edit.password_char ? p.edit.password_char : '*'), 0);
      SendMessageW(hwnd, EM_SETLIMITTEXT, p.edit.max_length > 0 ? static_cast<WPARAM>(p.edit.max_length) : 0, 0);
      SetWindowTextW(hwnd, widen(p.text).c_str());
      break;
    case WidgetKind::ComboBox:
      if (p.combo.max_length > 0) SendMessageW(hwnd, CB_LIMITTEXT, static_cast<WPARAM>(p.combo.max_length), 0);
      if (p.combo.style != 2) SetWindowTextW(hwnd, widen(p.text).c_str());
      break;
    case WidgetKind::Frame:
      if (!p.frame.icon_ico.empty()) {
        w.icon_big = icon_from_ico(p.frame.icon_ico, GetSystemMetrics(SM_CXICON));
        w.icon_small = icon_from_ico(p.frame.icon_ico, GetSystemMetrics(SM_CXSMICON));
        if (w.icon_big) SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(w.icon_big));
        if (w.icon_small) SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(w.icon_small));
      }
      break;
    default:
      break;
  }
}

}  // namespace

HWND Win32BackendState::container_hwnd(Handle parent) const {
  const Window* w = find(parent);
  return w && w->hwnd ? w->hwnd : message_window;
}

Handle Win32BackendState::create(const CreateParams& p) {
  if (p.parent != 0 && !find(p.parent)) return 0;
  auto record = std::make_unique<Window>();
  Window& w = *record;
  w.take(p);
  w.font = p.font;
  w.multi_line = p.kind == WidgetKind::Edit && p.edit.multi_line;
  if (p.kind == WidgetKind::Edit) w.text_colour = p.edit.text_colour, w.background = p.edit.background;
  if (p.kind == WidgetKind::ComboBox) w.text_colour = p.combo.text_colour, w.background = p.combo.background;
  if (p.kind == WidgetKind::Label) {
    w.label = p.label;
    w.caption = widen(p.text);
  }
  if (p.kind == WidgetKind::Hidden) return keep(std::move(record), nullptr);
  const Styles s = styles_for(p);
  DWORD style = s.style;
  HWND parent = nullptr;
  HMENU id = nullptr;
  if (p.kind == WidgetKind::Frame) {
    w.dpi = system_dpi();
  } else {
    style |= WS_CHILD | WS_CLIPSIBLINGS | (p.visible ? WS_VISIBLE : 0);
    if (p.tab_stop && p.kind != WidgetKind::Label && p.kind != WidgetKind::GroupBox) style |= WS_TABSTOP;
    parent = container_hwnd(p.parent);
    id = reinterpret_cast<HMENU>(static_cast<intptr_t>(p.control_id));
  }
  if (p.disabled) style |= WS_DISABLED;
  const std::wstring title = p.kind == WidgetKind::Edit || p.kind == WidgetKind::ComboBox ? std::wstring() : widen(p.text);
  // Created at its place already: the IP control lays out its four fields when it is made.
  RECT at{0, 0, 0, 0};
  if (p.kind != WidgetKind::Frame) {
    const int dpi = dpi_of(p.parent);
    at = {scale(p.geometry.left, dpi), scale(p.geometry.top, dpi), scale(std::max(p.geometry.width, 0), dpi),
          scale(std::max(p.geometry.height, 0), dpi)};
  }
  w.hwnd = CreateWindowExW(s.ex_style, s.cls, title.c_str(), style, at.left, at.top, at.right, at.bottom, parent, id,
                           GetModuleHandleW(nullptr), this);
  if (!w.hwnd) return 0;
  if (p.kind == WidgetKind::Frame) w.dpi = window_dpi(w.hwnd);
  if (p.kind == WidgetKind::GroupBox) subclass_group_box(w.hwnd, this);
  configure(w, p);  // before the window is registered: nothing it does is reported
  const Handle h = keep(std::move(record), w.hwnd);
  apply_font(w);
  apply_geometry(h, p.geometry);
  return h;
}

// Frames take the client size, placed at the given outer position (or centred on the
// screen). A drop-down combo box is at least as high as its open list.
void Win32BackendState::apply_geometry(Handle h, Geometry g) {
  Window* w = find(h);
  if (!w) return;
  g.width = std::max(g.width, 0);
  g.height = std::max(g.height, 0);
  w->logical = g;
  if (!w->hwnd) return;
  const int dpi = dpi_of(h);
  if (w->kind == WidgetKind::Frame) {
    RECT r{0, 0, scale(g.width, dpi), scale(g.height, dpi)};
    adjust_window_rect(r, static_cast<DWORD>(GetWindowLongPtrW(w->hwnd, GWL_STYLE)),
                       static_cast<DWORD>(GetWindowLongPtrW(w->hwnd, GWL_EXSTYLE)), dpi);
    SetWindowPos(w->hwnd, nullptr, scale(g.left, dpi), scale(g.top, dpi), r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (w->centre_on_screen) centre(*w);
    return;
  }
  int height = g.height;
  if (w->kind == WidgetKind::ComboBox && w->combo_style != 0) height = std::max(height, kDropDownHeight);
  int width = g.width;
  if (w->kind == WidgetKind::Label) width = std::max(width, label_width_needed(*this, *w));
  SetWindowPos(w->hwnd, nullptr, scale(g.left, dpi), scale(g.top, dpi), scale(width, dpi), scale(height, dpi),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32BackendState::centre(Window& w) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(MonitorFromWindow(w.hwnd, MONITOR_DEFAULTTOPRIMARY), &info)) return;
  RECT outer;
  GetWindowRect(w.hwnd, &outer);
  const RECT& area = info.rcMonitor;
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  SetWindowPos(w.hwnd, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32BackendState::rescale_frame(Handle frame, int dpi) {
  Window* f = find(frame);
  if (!f || dpi <= 0 || f->dpi == dpi) return;
  f->dpi = dpi;
  for (Handle h : windows.subtree_children_first(frame)) {
    if (h == frame) continue;
    Window* w = find(h);
    if (!w) continue;
    apply_font(*w);
    apply_geometry(h, w->logical);
  }
}

Handle Win32WindowBackend::create(const CreateParams& params) { return state_->create(params); }

void Win32WindowBackend::reparent_native(WindowRecord& record) {
  auto& w = static_cast<Window&>(record);
  if (!w.hwnd) return;
  {
    WindowBookkeeping::MutedFocus muted(*state_);
    SetParent(w.hwnd, state_->container_hwnd(w.parent));
  }
  state_->apply_geometry(w.handle, w.logical);  // the new frame may have another DPI
}

// A frame the user moved or resized reports where it is now; every other window what the
// form gave it.
Geometry Win32WindowBackend::geometry(Handle window) const {
  const Window* w = state_->find(window);
  if (!w) return {};
  if (w->kind != WidgetKind::Frame || !w->hwnd) return w->logical;
  RECT outer, client;
  GetWindowRect(w->hwnd, &outer);
  GetClientRect(w->hwnd, &client);
  return {unscale(outer.left, w->dpi), unscale(outer.top, w->dpi), unscale(client.right, w->dpi),
          unscale(client.bottom, w->dpi)};
}

void Win32WindowBackend::set_geometry(Handle window, Geometry g) { state_->apply_geometry(window, g); }

std::string Win32WindowBackend::text(Handle window) const {
  const Window* w = state_->find(window);
  if (!w) return {};
  switch (w->kind) {
    case WidgetKind::Hidden: return w->hidden_text;
    case WidgetKind::Label: return narrow(w->caption);
    case WidgetKind::IpAddress: {
      uint8_t p[4];
      ip_get(window, p);
      return ip_address_text(ip_blank(window), p);
    }
    default: return narrow(window_text(w->hwnd));
  }
}

// An edit box reports one Changed for every text it is given, even an equal one, with the
// caret at the start; a combo box's field reports none, as with the native controls. A
// multi-line box shows CR LF for every line break.
void Win32WindowBackend::set_text(Handle window, std::string_view gbk) {
  Window* w = state_->find(window);
  if (!w) return;
  switch (w->kind) {
    case WidgetKind::Hidden: w->hidden_text.assign(gbk); return;
    case WidgetKind::IpAddress: return;  // addresses are set part by part
    case WidgetKind::Label:
      w->caption = widen(gbk);
      SetWindowTextW(w->hwnd, w->caption.c_str());
      state_->apply_geometry(window, w->logical);  // a longer caption may need more room
      InvalidateRect(w->hwnd, nullptr, TRUE);
      return;
    case WidgetKind::ComboBox:
      if (w->combo_style == 2) return;
      ++w->changed_mute;
      SetWindowTextW(w->hwnd, widen(gbk).c_str());
      --w->changed_mute;
      return;
    case WidgetKind::Edit:
      ++w->changed_mute;
      SetWindowTextW(w->hwnd, widen(w->multi_line ? crlf_line_breaks(gbk) : std::string(gbk)).c_str());
      --w->changed_mute;
      state_->notify(window, Notify::Changed);
      return;
    default:
      SetWindowTextW(w->hwnd, widen(gbk).c_str());
      return;
  }
}

void Win32WindowBackend::set_font(Handle window, const Font& font) {
  Window* w = state_->find(window);
  if (!w) return;
  w->font = font;
  state_->apply_font(*w);
  if (w->kind == WidgetKind::Label) {
    state_->apply_geometry(window, w->logical);
    InvalidateRect(w->hwnd, nullptr, TRUE);
  }
}

void Win32WindowBackend::show_frame_native(WindowRecord& record) {
  auto& w = static_cast<Window&>(record);
  WindowBookkeeping::MutedFocus muted(*state_);
  if (w.centre_on_screen) state_->centre(w);
  ShowWindow(w.hwnd, SW_SHOW);
  SetForegroundWindow(w.hwnd);
  UpdateWindow(w.hwnd);
}

}  // namespace platform::win32
