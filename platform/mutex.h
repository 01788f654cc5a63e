// The project's mutex: std::mutex with the lock annotations the analysis needs (the
// standard library's own carries none), a scoped lock that can wait on a condition
// variable, and a scoped unlock for calling out of a locked region.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/thread_annotations.h"

namespace platform {

class CAPABILITY("mutex") Mutex {
 public:
  void lock() ACQUIRE() { m_.lock(); }
  void unlock() RELEASE() { m_.unlock(); }
  // For a lock held under another name (several objects guarded by one mutex): states
  // that it is held here. Checks nothing at run time.
  void assert_held() const ASSERT_CAPABILITY(this) {}

 private:
  friend class MutexLock;
  std::mutex m_;
};

// Holds the mutex for its scope. wait() releases it while blocked, as a condition
// variable wait does, and holds it again when it returns: the caller re-checks its
// condition in a loop.
class SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex& mutex) ACQUIRE(mutex) : lock_(mutex.m_) {}
  ~MutexLock() RELEASE() {}
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

  void wait(std::condition_variable& cv) { cv.wait(lock_); }
  template <class Rep, class Period>
  void wait_for(std::condition_variable& cv, std::chrono::duration<Rep, Period> d) {
    cv.wait_for(lock_, d);
  }

 private:
  std::unique_lock<std::mutex> lock_;
};

// Releases a held mutex for its scope and takes it again at the end, also when an
// exception leaves the scope.
class SCOPED_CAPABILITY MutexUnlock {
 public:
  explicit MutexUnlock(Mutex& mutex) RELEASE(mutex) : mutex_(mutex) { mutex_.unlock(); }
  ~MutexUnlock() RELEASE() { mutex_.lock(); }
  MutexUnlock(const MutexUnlock&) = delete;
  MutexUnlock& operator=(const MutexUnlock&) = delete;

 private:
  Mutex& mutex_;
};

}  // namespace platform
