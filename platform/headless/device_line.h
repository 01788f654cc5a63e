// The shared state of one in-memory serial line: what the peer has delivered and what the
// tool's worker has yet to see. Every changing field is guarded by the event scheduler's
// mutex, which the line knows as `mu`.
#pragma once

#include <cassert>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "platform/headless/event_scheduler.h"
#include "platform/headless/serial_peer.h"
#include "platform/mutex.h"
#include "platform/serial.h"

namespace platform::headless::detail {

class DeviceLine;

// The peer's handle on the line; forwards to the scheduler under its mutex.
class LineLink final : public PeerLink {
 public:
  LineLink(EventScheduler& scheduler, DeviceLine& line) : scheduler_(scheduler), line_(line) {}
  uint32_t now() const override;
  void send_at(uint32_t at_ms, const std::string& bytes, bool paced) override EXCLUDES(scheduler_.mu);
  void line_event_at(uint32_t at_ms, uint32_t event_bits, ModemStatus status, ErrorStatus errors) override
      EXCLUDES(scheduler_.mu);
  void wake_at(uint32_t at_ms) override EXCLUDES(scheduler_.mu);
  void hang_up_at(uint32_t at_ms) override EXCLUDES(scheduler_.mu);
  LineSettings settings() const override EXCLUDES(scheduler_.mu);

 private:
  // Something for this line at a virtual time.
  void schedule_locked(uint32_t at_ms, Scheduled item) REQUIRES(scheduler_.mu);

  EventScheduler& scheduler_;
  DeviceLine& line_;
};

class DeviceLine : public std::enable_shared_from_this<DeviceLine> {
 public:
  DeviceLine(EventScheduler& scheduler, std::string path, std::shared_ptr<SerialPeer> peer)
      : mu(scheduler.mu), path(std::move(path)), peer(std::move(peer)), link(scheduler, *this) {}

  Mutex& mu;  // the scheduler's
  const std::string path;
  const std::shared_ptr<SerialPeer> peer;
  LineLink link;
  std::condition_variable cv;  // wakes the worker parked in wait_event

  bool open GUARDED_BY(mu) = true;
  bool parked GUARDED_BY(mu) = false;  // the worker sits in wait_event with nothing to report
  bool wake_requested GUARDED_BY(mu) = false;
  bool gone GUARDED_BY(mu) = false;
  bool gone_reported GUARDED_BY(mu) = false;
  std::deque<uint8_t> rx GUARDED_BY(mu);
  uint32_t event_bits GUARDED_BY(mu) = 0;  // line events not yet reported
  ErrorStatus errors GUARDED_BY(mu);       // flags not yet cleared
  ModemStatus modem GUARDED_BY(mu);
  LineSettings settings GUARDED_BY(mu);
  uint64_t tx_free_us GUARDED_BY(mu) = 0;  // end of the last paced transmission: paced sends never overlap

  bool has_report() const REQUIRES(mu) {
    return wake_requested || !rx.empty() || event_bits != 0 || (gone && !gone_reported);
  }
  // Busy keeps the virtual clock still: the worker has something to do or is not parked yet.
  bool busy() const REQUIRES(mu) { return open && (!parked || has_report()); }
};

// States, for the analysis, that the line's `mu` is the scheduler's, which the caller holds.
inline void holding(const EventScheduler& scheduler, const DeviceLine& line) REQUIRES(scheduler.mu)
    ASSERT_CAPABILITY(line.mu) {
  assert(&line.mu == &scheduler.mu);  // a line of this scheduler
  (void)scheduler;
  (void)line;
}

}  // namespace platform::headless::detail
