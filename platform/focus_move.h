// Moving the form's focus as the form sees it, the same on every windowed backend: FocusOut
// to the window that had it, nothing focused in between, then FocusIn to the new one, all
// reported before the move returns.
#pragma once

#include "platform/window_types.h"

namespace platform {

// Moves `focused` to `to`, reporting through `report(handle, Notify)`; `exists(handle)` says
// whether a window is still there. Returns false when a handler moved the focus elsewhere
// meanwhile (a sink that moves the focus from inside FocusOut wins: its move stands and this
// one is abandoned) or the new window went away. `reporting` counts the moves in progress,
// so that the toolkit's own focus events they cause are not taken for the user's.
template <class Exists, class Report>
bool report_focus_move(Handle& focused, int& reporting, Handle to, const Exists& exists, const Report& report) {
  const Handle old = focused;
  focused = 0;
  ++reporting;
  if (old != 0) report(old, Notify::FocusOut);
  const bool abandoned = focused != 0 || (to != 0 && !exists(to));
  if (!abandoned) {
    focused = to;
    if (to != 0) report(to, Notify::FocusIn);
  }
  --reporting;
  return !abandoned && focused == to;
}

}  // namespace platform
