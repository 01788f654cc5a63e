// What every backend keeps besides drawing: the windows (WindowTree), the focus as the form
// sees it, the calls into the form's sink (SinkCalls), the posted messages and the quit
// request. Each backend's state derives from it; platform::WindowedBackend answers the
// Backend calls that are bookkeeping alone from it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/posted_queue.h"
#include "platform/sink_calls.h"
#include "platform/window_tree.h"

namespace platform {

class WindowBookkeeping : public SinkCalls {
 public:
  WindowTree windows;
  PostedQueue posted;
  QuitRequest quit;
  int message_boxes_open = 0;  // the native focus moves inside an open box are not the form's

  bool exists(Handle h) const { return windows.find(h) != nullptr; }

  // ---- the focus, as the form sees it: FocusOut to the window that had it, nothing focused
  // in between, then FocusIn to the new one, all reported before the move returns. The native
  // focus follows it.
  Handle focused() const { return focused_; }
  // Reports a move (the program's, or the user's seen in the native focus). False when a
  // handler moved the focus elsewhere meanwhile (a handler that moves it from inside FocusOut
  // wins: its move stands and this one is abandoned) or the new window went away.
  bool move_focus(Handle to);
  // While a move is being reported: the native focus events it causes are not the user's.
  bool reporting_focus() const { return focus_reports_ > 0; }
  // `h` and what is inside it are going away: the focus dies with them, silently, as with a
  // native window.
  void forget_focus_inside(Handle h);
  // A frame was shown and activated: an unfocused program's focus goes to the frame itself.
  void frame_shown(Handle frame);
  void frame_gone(Handle frame);
  // The frame to make active again after a modal box: the focused window's, else the one
  // shown last; 0 when none.
  Handle frame_to_reactivate() const;

  // Delivers the posted messages queued now to the sink; those for windows that are gone are
  // dropped.
  void deliver_posted_messages();

 private:
  Handle focused_ = 0;
  int focus_reports_ = 0;
  Handle last_frame_shown_ = 0;
};

// What an IP address control reads as: "a.b.c.d", or "" while it is blank.
std::string ip_address_text(bool blank, const uint8_t parts[4]);

}  // namespace platform
