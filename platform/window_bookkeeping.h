// What every windowed backend keeps besides drawing, and the rules it follows for the user's
// side of its windows: the windows (WindowTree) and the native objects behind them, the focus
// as the form sees it and how it follows the user's moves, the calls into the form's sink
// (SinkCalls), the rule for a typed character, the posted messages, the timers the form set,
// the open message boxes, the quit request, and the native objects that wait to be deleted.
// Each backend's state derives from it; platform::WindowedBackend answers the Backend calls
// that are bookkeeping alone from it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/posted_queue.h"
#include "platform/sink_calls.h"
#include "platform/window_tree.h"

namespace platform {

// The handle behind each native object of a backend (a widget, a native window), for what the
// system reports about a native object: its own handle, or its nearest registered ancestor's
// (a combo box's edit field counts as the combo box).
class NativeIndex {
 public:
  void add(const void* native, Handle h) {
    if (native) handles_[native] = h;
  }
  void erase(const void* native) { handles_.erase(native); }
  // `parent_of` walks up from one native object to the one that holds it (null at the top).
  template <class ParentOf>
  Handle owner(const void* native, ParentOf parent_of) const {
    for (const void* n = native; n; n = parent_of(n)) {
      auto it = handles_.find(n);
      if (it != handles_.end()) return it->second;
    }
    return 0;
  }

 private:
  std::unordered_map<const void*, Handle> handles_;
};

// The timers the form has set, each (window, id) with the native timer behind it (a number
// the backend chose, never 0). A tick of a native timer that is no longer here is dropped.
class TimerTable {
 public:
  struct Timer {
    Handle window;
    uint32_t id;
    uintptr_t native;
  };
  // The native timer behind (window, id); 0 when none runs.
  uintptr_t native_of(Handle window, uint32_t id) const;
  void set(Handle window, uint32_t id, uintptr_t native);
  // Forgets (window, id); returns its native timer, 0 when there was none.
  uintptr_t remove(Handle window, uint32_t id);
  // Forgets every timer of `window`; returns their native timers.
  std::vector<uintptr_t> remove_window(Handle window);
  const Timer* find_native(uintptr_t native) const;

 private:
  std::vector<Timer> timers_;  // a form has a few
};

class WindowBookkeeping : public SinkCalls {
 public:
  WindowTree windows;
  NativeIndex natives;
  PostedQueue posted;
  QuitRequest quit;
  TimerTable timers;
  int message_boxes_open = 0;  // the native focus moves inside an open box are not the form's

  bool exists(Handle h) const { return windows.find(h) != nullptr; }
  // Keeps a window that was made, with the native object behind it (null for none), which
  // `natives` then knows until the window is destroyed; 0 when its parent is gone.
  Handle keep(std::unique_ptr<WindowRecord> record, const void* native);

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

  // While one lives, the backend itself moves the native focus (or does what makes the system
  // move it): the native focus events meanwhile are not the user's.
  class MutedFocus {
   public:
    explicit MutedFocus(WindowBookkeeping& book) : book_(book) { ++book_.native_focus_mute_; }
    ~MutedFocus() { --book_.native_focus_mute_; }
    MutedFocus(const MutedFocus&) = delete;
    MutedFocus& operator=(const MutedFocus&) = delete;

   private:
    WindowBookkeeping& book_;
  };
  // The user moved the native focus to window `to` (0: to none of the form's windows). It is
  // the form's move, reported, unless the backend is moving the native focus itself, a move is
  // being reported already or a message box is open. True when the native focus must be put
  // back where the form has it (a handler kept the focus elsewhere).
  bool follow_user_focus(Handle to);

  // ---- typing: a character `ch` (a code point) typed into `window`'s edit field, as every
  // backend treats it: case converted as the box asks (gbk_letter_case), then, unless it is a
  // control character (which always passes), offered to the form's filter by its GBK code.
  struct Typed {
    bool taken;   // insert `ch`
    bool gone;    // the window went away (a handler destroyed it): stop typing into it
    char32_t ch;  // the character to insert
  };
  Typed type_char(Handle window, char32_t ch);

  // ---- the queue: delivers the posted messages queued now to the sink; those for windows
  // that are gone are dropped.
  void deliver_posted_messages();
  // Native timer `native` expired: its window's timer ticks, unless it was killed or its
  // window is gone.
  void timer_fired(uintptr_t native);

  // ---- deletion: the native objects of destroyed windows are deleted only when no call into
  // the form is running, so none is deleted under its own event handler. The backend runs
  // delete_deferred where its loop is its own (before it dispatches and before it waits).
  void delete_later(std::function<void()> deleter) { doomed_.push_back(std::move(deleter)); }
  void delete_deferred();
  // The backend is going away: nothing it was called from returns into it, and every native
  // object waiting is deleted now.
  void delete_all_deferred();

 private:
  Handle focused_ = 0;
  int focus_reports_ = 0;
  int native_focus_mute_ = 0;
  Handle last_frame_shown_ = 0;
  std::vector<std::function<void()>> doomed_;
};

// What an IP address control reads as: "a.b.c.d", or "" while it is blank.
std::string ip_address_text(bool blank, const uint8_t parts[4]);

}  // namespace platform
