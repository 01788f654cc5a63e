// Keeps a port session's lease alive and records how far the current write got, on a thread
// and a database connection of its own: the DTU's exchange on the UI thread never waits for
// the database (a busy or unreachable one would otherwise stretch a step past its poll limit).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "main/journal/journal.h"
#include "platform/mutex.h"

namespace provision {

class SessionKeeper {
 public:
  // Renews `session` every third of `lease_ms` through its own connection to `target`.
  SessionKeeper(std::string target, int64_t job, int64_t session, int64_t lease_ms);
  ~SessionKeeper();  // stops the thread
  SessionKeeper(const SessionKeeper&) = delete;
  SessionKeeper& operator=(const SessionKeeper&) = delete;

  // Any thread: the unit being written has reached `step`; recorded soon, without waiting.
  void note_step(int seq, const std::string& step);

 private:
  void run();

  const std::string target_;
  const int64_t job_, session_, lease_ms_;
  platform::Mutex mu_;
  std::condition_variable wake_;
  bool stop_ GUARDED_BY(mu_) = false;
  int seq_ GUARDED_BY(mu_) = 0;
  std::string step_ GUARDED_BY(mu_);
  bool step_due_ GUARDED_BY(mu_) = false;
  std::thread thread_;
};

}  // namespace provision
