// The Win32 backend's internal state, shared by its source files: the native windows behind
// the handles, the hidden window for wake-ups and timer ticks, the user's input, fonts and
// DPI scaling. Everything else it keeps (windows, focus, timers, boxes, deletions) is the
// shared bookkeeping's.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/window_bookkeeping.h"
#include "platform/win32/win32_text.h"

namespace platform::win32 {

// One window or control. Geometry is kept as the form gave it, in pixels at 96 DPI; the
// native window has it scaled by its frame's DPI.
struct Window : WindowRecord {
  HWND hwnd = nullptr;  // null for hidden windows
  Geometry logical;
  std::optional<Font> font;  // none = the default GUI font
  bool multi_line = false;   // an edit box's
  // Colours of edit and combo boxes (drawn through WM_CTLCOLOR*); a brush only when the
  // background is not the control's own.
  Colour text_colour = 0, background = 0xFFFFFF;
  HBRUSH background_brush = nullptr;
  // Labels
  LabelStyle label;
  std::wstring caption;
  // Frames
  int dpi = 96;
  HICON icon_big = nullptr, icon_small = nullptr;
};

// The shared bookkeeping with the native windows behind the handles and the Windows side of
// the user's input.
class Win32BackendState : public WindowBookkeeping {
 public:
  Win32BackendState();
  ~Win32BackendState();
  Win32BackendState(const Win32BackendState&) = delete;
  Win32BackendState& operator=(const Win32BackendState&) = delete;

  // ---- the windows and Windows' focus (win32_window_backend.cpp)
  Window* find(Handle h) { return static_cast<Window*>(windows.find(h)); }
  const Window* find(Handle h) const { return static_cast<const Window*>(windows.find(h)); }
  // The handle of the registered window `hwnd` belongs to (itself or an ancestor, so a combo
  // box's edit field and an IP control's fields count as the control); 0 for other windows.
  Handle handle_of(HWND hwnd) const;
  // Windows' focus goes where the form has it.
  void sync_native_focus();
  // The hidden window that receives the queue's wake-ups and the timers' ticks.
  HWND message_window = nullptr;
  UINT_PTR next_timer = 1;

  // ---- the user's input (win32_input.cpp)
  // Before a message is dispatched: keys go to the form first and typed characters are taken
  // as the shared rule says; true when the message was consumed. Its character may be replaced
  // (case conversion).
  bool pretranslate(MSG& msg);
  // After a message has been dispatched: a focus move the user made (a click into a field)
  // is reported as the form's own.
  void follow_native_focus();
  // Notifications the controls send (WM_COMMAND).
  void on_command(HWND control, int code);

  // ---- making and placing windows (win32_windows.cpp)
  Handle create(const CreateParams& params);
  HWND container_hwnd(Handle parent) const;
  void apply_geometry(Handle h, Geometry g);
  void centre(Window& w);
  // Scales the whole form to a new DPI (WM_DPICHANGED): geometry and fonts of every window.
  void rescale_frame(Handle frame, int dpi);

  // ---- the controls' colours (win32_controls.cpp)
  // WM_CTLCOLOR*: the brush for a coloured edit or combo box, null for the default look.
  HBRUSH control_colours(HWND control, HDC dc);

  // ---- fonts and DPI (win32_fonts.cpp)
  int dpi_of(Handle h) const;
  HFONT font_for(const std::optional<Font>& font, int dpi);
  void apply_font(Window& w);

 private:
  bool drop_low_surrogate_ = false;  // the filter refused the first half of a pair

  struct FontKey {
    std::string face;
    int height, weight, dpi;
    bool italic, underline, strike_out;
    bool operator<(const FontKey& o) const;
  };
  std::map<FontKey, HFONT> fonts_;
};

// The message that wakes the UI thread for posted messages, sent to the hidden window.
inline constexpr UINT kWakeMessage = WM_APP + 0x44;

// Window classes and procedures (win32_classes.cpp).
extern const wchar_t kFrameClass[];
extern const wchar_t kLabelClass[];
extern const wchar_t kMessageClass[];
void register_classes();
// Group boxes are subclassed so the notifications of the controls inside reach the backend.
void subclass_group_box(HWND group, Win32BackendState* state);

// Pixels at `dpi` for a length at 96 DPI.
inline int scale(int logical, int dpi) { return MulDiv(logical, dpi, 96); }
inline int unscale(int pixels, int dpi) { return MulDiv(pixels, 96, dpi); }

}  // namespace platform::win32
