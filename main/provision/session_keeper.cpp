#include "main/provision/session_keeper.h"

#include <chrono>

namespace provision {

SessionKeeper::SessionKeeper(std::string target, int64_t job, int64_t session, int64_t lease_ms)
    : target_(std::move(target)), job_(job), session_(session), lease_ms_(lease_ms) {
  thread_ = std::thread([this] { run(); });
}

SessionKeeper::~SessionKeeper() {
  {
    platform::MutexLock lock(mu_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void SessionKeeper::note_step(int seq, const std::string& step) {
  {
    platform::MutexLock lock(mu_);
    seq_ = seq;
    step_ = step;
    step_due_ = true;
  }
  wake_.notify_all();
}

void SessionKeeper::run() {
  std::unique_ptr<journal::Journal> own;
  auto next_renewal = std::chrono::steady_clock::now();
  for (;;) {
    int seq = 0;
    std::string step;
    bool renew = false;
    {
      platform::MutexLock lock(mu_);
      while (!stop_ && !step_due_ && std::chrono::steady_clock::now() < next_renewal)
        lock.wait_for(wake_, next_renewal - std::chrono::steady_clock::now());
      if (stop_) return;
      if (step_due_) {
        seq = seq_;
        step = step_;
        step_due_ = false;
      }
      renew = std::chrono::steady_clock::now() >= next_renewal;
    }
    // A failure (the database gone, a busy file) is tried again at the next tick, on a new
    // connection; the lease is generous enough for several missed renewals.
    try {
      if (!own) own = journal::Journal::open(target_, false);
      if (renew) {
        own->renew_session(session_, lease_ms_);
        next_renewal = std::chrono::steady_clock::now() + std::chrono::milliseconds(lease_ms_ / 3);
      }
      if (seq != 0) own->note_step(job_, seq, session_, step);
    } catch (const std::exception&) {
      own.reset();
      next_renewal = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    }
  }
}

}  // namespace provision
