// The Win32 backend's internal state, shared by its source files: the window registry, the
// focus model, the posted-message queue and timers, fonts and DPI scaling.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/backend.h"
#include "platform/mutex.h"
#include "platform/posted_queue.h"
#include "platform/sink_calls.h"
#include "platform/window_tree.h"
#include "platform/win32/win32_text.h"

namespace platform::win32 {

// One window or control. Geometry is kept as the form gave it, in pixels at 96 DPI; the
// native window has it scaled by its frame's DPI.
struct Window {
  Handle handle = 0;
  WidgetKind kind = WidgetKind::Hidden;
  Handle parent = 0;
  HWND hwnd = nullptr;  // null for hidden windows
  Geometry logical;
  bool visible = false, enabled = true;
  int control_id = 0;
  std::optional<Font> font;  // none = the default GUI font
  // Edit boxes
  bool multi_line = false;
  int case_conversion = 0;
  // Combo boxes
  int combo_style = 1;
  bool sorted = false;
  // Colours of edit and combo boxes (drawn through WM_CTLCOLOR*); a brush only when the
  // background is not the control's own.
  Colour text_colour = 0, background = 0xFFFFFF;
  HBRUSH background_brush = nullptr;
  // Labels
  LabelStyle label;
  std::wstring caption;
  // Frames
  bool centre_on_screen = false;
  bool fixed_size = false;
  int dpi = 96;
  HICON icon_big = nullptr, icon_small = nullptr;
  std::string hidden_text;  // a hidden window's text
  int changed_mute = 0;     // >0 while the program itself changes the text
};

class Win32BackendState : public SinkCalls {
 public:
  Win32BackendState();
  ~Win32BackendState();
  Win32BackendState(const Win32BackendState&) = delete;
  Win32BackendState& operator=(const Win32BackendState&) = delete;

  // ---- registry (win32_registry.cpp)
  Window* find(Handle h) { return tree_.find(h); }
  const Window* find(Handle h) const { return tree_.find(h); }
  // The handle of the registered window `hwnd` belongs to (itself or an ancestor, so a combo
  // box's edit field and an IP control's fields count as the control); 0 for other windows.
  Handle handle_of(HWND hwnd) const;
  Handle frame_of(Handle h) const { return tree_.frame_of(h); }
  Handle add(Window window);
  bool is_inside(Handle h, Handle ancestor) const { return tree_.is_inside(h, ancestor); }
  void destroy(Handle h);
  // Destroys the native windows of destroyed handles once no sink call is running, so no
  // control is destroyed under its own message handler.
  void collect_garbage();

  // Every call into the sink goes through SinkCalls' notify, offer_key, offer_char,
  // deliver_timer and deliver_posted.

  // ---- focus (win32_focus.cpp)
  Handle focused = 0;
  int native_focus_mute = 0;  // >0 while the backend itself moves Windows' focus
  int message_boxes_open = 0;
  Handle last_frame_shown = 0;
  void set_focus(Handle to);
  bool move_focus(Handle to);
  void sync_native_focus();
  // After a message has been dispatched: a focus move the user made (a click into a field)
  // is reported as the form's own.
  void follow_native_focus();
  void reactivate_frame();

  // ---- keyboard (win32_keyboard.cpp): true when the message was consumed
  bool pretranslate(const MSG& msg);

  // ---- queue and timers (win32_queue.cpp, win32_timers.cpp)
  void post(Handle window, uint32_t code, uintptr_t wparam, intptr_t lparam);
  void wake();
  void drain_queue();
  bool queue_empty() { return posted_.empty(); }
  void process_pending();
  bool wait(int timeout_ms);
  void set_timer(Handle window, uint32_t id, uint32_t period_ms);
  void kill_timer(Handle window, uint32_t id);
  void kill_window_timers(Handle window);
  void on_timer(UINT_PTR native_id);
  std::atomic<bool> quit{false};
  std::atomic<int> quit_code{0};
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
  WindowTree<Window> tree_;
  std::unordered_map<HWND, Handle> by_hwnd_;
  int focus_dispatch_ = 0;  // focus reports in progress
  bool drop_low_surrogate_ = false;  // the filter refused the first half of a pair
  std::vector<HWND> graveyard_;
  std::vector<HICON> graveyard_icons_;

  PostedQueue posted_;

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
