// The UI thread's queue of posted messages, which any thread may add to, and the quit
// request, which stays pending until the main loop takes it. A windowed backend asks its
// toolkit for one wake-up while any message is pending, and the UI thread dispatches the
// queue from whichever loop runs next (the main loop, a delay, a modal box's own loop). The
// headless backend queues its timer expiries and scheduled actions in the same kind of
// queue, so virtual time keeps them in order with the posted messages.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>

#include "platform/mutex.h"
#include "platform/thread_annotations.h"
#include "platform/window_types.h"

namespace platform {

struct Posted {
  Handle window;
  uint32_t code;
  uintptr_t wparam;
  intptr_t lparam;
};

template <class Message>
class MessageQueue {
 public:
  void push(Message message) EXCLUDES(mutex_) {
    MutexLock lock(mutex_);
    queue_.push_back(std::move(message));
  }

  // True when the caller is to ask for a wake-up: none is on its way yet.
  bool claim_wake() { return !wake_pending_.exchange(true); }
  // The wake-up has arrived; a message posted from now on asks for another.
  void woken() { wake_pending_.store(false); }

  bool empty() const EXCLUDES(mutex_) {
    MutexLock lock(mutex_);
    return queue_.empty();
  }

  // Hands `deliver` the messages queued when it starts, in order, one at a time, the lock
  // released while each is delivered: a handler that posts again cannot keep it running
  // forever, and a handler that runs a loop of its own may drain the rest in there.
  template <class Deliver>
  void drain(const Deliver& deliver) EXCLUDES(mutex_) {
    size_t budget;
    {
      MutexLock lock(mutex_);
      budget = queue_.size();
    }
    for (; budget > 0; --budget) {
      Message message;
      {
        MutexLock lock(mutex_);
        if (queue_.empty()) return;
        message = std::move(queue_.front());
        queue_.pop_front();
      }
      deliver(message);
    }
  }

 private:
  mutable Mutex mutex_;
  std::deque<Message> queue_ GUARDED_BY(mutex_);
  std::atomic<bool> wake_pending_{false};
};

using PostedQueue = MessageQueue<Posted>;

// Any thread may ask the main loop to end, with an exit code; the request stays.
class QuitRequest {
 public:
  void request(int code) {
    code_.store(code);
    requested_.store(true);
  }
  bool requested() const { return requested_.load(); }
  int code() const { return code_.load(); }

 private:
  std::atomic<bool> requested_{false};
  std::atomic<int> code_{0};
};

}  // namespace platform
