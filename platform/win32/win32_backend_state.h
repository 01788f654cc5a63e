// The Win32 backend's internal state, shared by its source files: the native windows behind
// the handles, Windows' side of the focus, the wake-ups and timers, fonts and DPI scaling.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
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

// The windows, the focus, the sink calls, the posted messages and the quit request are the
// shared bookkeeping's; this adds the native windows behind the handles and Windows' side of
// each.
class Win32BackendState : public WindowBookkeeping {
 public:
  Win32BackendState();
  ~Win32BackendState();
  Win32BackendState(const Win32BackendState&) = delete;
  Win32BackendState& operator=(const Win32BackendState&) = delete;

  // ---- registry (win32_registry.cpp)
  Window* find(Handle h) { return static_cast<Window*>(windows.find(h)); }
  const Window* find(Handle h) const { return static_cast<const Window*>(windows.find(h)); }
  // The handle of the registered window `hwnd` belongs to (itself or an ancestor, so a combo
  // box's edit field and an IP control's fields count as the control); 0 for other windows.
  Handle handle_of(HWND hwnd) const;
  Handle add(std::unique_ptr<Window> window);
  // Destruction (WindowedBackend::destroy): the top window hidden at once, every native
  // window destroyed later (see collect_garbage).
  void hide_destroyed(Window& top);
  void forget(Window& w);
  // Destroys the native windows of destroyed handles once no sink call is running, so no
  // control is destroyed under its own message handler.
  void collect_garbage();

  // ---- focus (win32_focus.cpp); the form's focus is the bookkeeping's
  int native_focus_mute = 0;  // >0 while the backend itself moves Windows' focus
  void sync_native_focus();
  // After a message has been dispatched: a focus move the user made (a click into a field)
  // is reported as the form's own.
  void follow_native_focus();
  void reactivate_frame();

  // ---- keyboard (win32_keyboard.cpp): true when the message was consumed
  bool pretranslate(const MSG& msg);

  // ---- queue and timers (win32_queue.cpp, win32_timers.cpp)
  void wake();
  void process_pending();
  bool wait(int timeout_ms);
  void set_timer(Handle window, uint32_t id, uint32_t period_ms);
  void kill_timer(Handle window, uint32_t id);
  void kill_window_timers(Handle window);
  void on_timer(UINT_PTR native_id);
  HWND message_window = nullptr;

  // ---- creation and layout (win32_create.cpp)
  Handle create(const CreateParams& params);
  HWND container_hwnd(Handle parent) const;
  void apply_geometry(Handle h, Geometry g);
  void centre(Window& w);
  // Scales the whole form to a new DPI (WM_DPICHANGED): geometry and fonts of every window.
  void rescale_frame(Handle frame, int dpi);

  // ---- notifications from the controls (win32_controls.cpp)
  void on_command(HWND control, int code);
  // WM_CTLCOLOR*: the brush for a coloured edit or combo box, null for the default look.
  HBRUSH control_colours(HWND control, HDC dc);

  // ---- fonts and DPI (win32_fonts.cpp)
  int dpi_of(Handle h) const;
  HFONT font_for(const std::optional<Font>& font, int dpi);
  void apply_font(Window& w);

 private:
  std::unordered_map<HWND, Handle> by_hwnd_;
  bool drop_low_surrogate_ = false;  // the filter refused the first half of a pair
  std::vector<HWND> graveyard_;
  std::vector<HICON> graveyard_icons_;

  struct TimerKey {
    Handle window;
    uint32_t id;
    bool operator<(const TimerKey& o) const { return window != o.window ? window < o.window : id < o.id; }
  };
  std::map<TimerKey, UINT_PTR> timers_;
  std::map<UINT_PTR, TimerKey> timer_owner_;
  UINT_PTR next_timer_ = 1;

  struct FontKey {
    std::string face;
    int height, weight, dpi;
    bool italic, underline, strike_out;
    bool operator<(const FontKey& o) const;
  };
  std::map<FontKey, HFONT> fonts_;
};

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
