// Every call a windowed backend makes into the form's sink goes through here and is
// counted, so the backend knows when no handler is on the stack: it deletes the windows of
// destroyed units only then, never under their own handler. Without a sink nothing is
// reported (a key is not taken, a character is let through).
#pragma once

#include <cstdint>

#include "platform/backend.h"

namespace platform {

class SinkCalls {
 public:
  WindowSink* sink = nullptr;

  void notify(Handle h, Notify what) {
    if (!sink) return;
    Call call(*this);
    sink->on_notify(h, what);
  }
  bool offer_key(Handle h, KeyPress key) {
    if (!sink) return false;
    Call call(*this);
    return sink->on_key(h, key);
  }
  bool offer_char(Handle h, uint32_t ch) {
    if (!sink) return true;
    Call call(*this);
    return sink->on_char(h, ch);
  }
  void deliver_timer(Handle h, uint32_t id) {
    if (!sink) return;
    Call call(*this);
    sink->on_timer(h, id);
  }
  void deliver_posted(Handle h, uint32_t code, uintptr_t wparam, intptr_t lparam) {
    if (!sink) return;
    Call call(*this);
    sink->on_posted(h, code, wparam, lparam);
  }

 protected:
  bool in_sink_call() const { return depth_ > 0; }
  // The backend is going away: nothing it was called from will return into it.
  void forget_sink_calls() { depth_ = 0; }

 private:
  struct Call {
    explicit Call(SinkCalls& calls) : calls(calls) { ++calls.depth_; }
    ~Call() { --calls.depth_; }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;
    SinkCalls& calls;
  };
  int depth_ = 0;
};

}  // namespace platform
