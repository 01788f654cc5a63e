// The shared state of one in-memory serial line: what the peer has delivered and what the
// tool's worker has yet to see. Every field is guarded by the owning Core's mutex.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "platform/headless/serial_peer.h"
#include "platform/serial.h"

namespace platform::headless::detail {

class Core;
class DeviceLine;

// The peer's handle on the line; forwards to the core under its mutex.
class LineLink final : public PeerLink {
 public:
  LineLink(Core& core, DeviceLine& line) : core_(core), line_(line) {}
  uint32_t now() const override;
  void send_at(uint32_t at_ms, const std::string& bytes, bool paced) override;
  void line_event_at(uint32_t at_ms, uint32_t event_bits, ModemStatus status, ErrorStatus errors) override;
  void wake_at(uint32_t at_ms) override;
  void hang_up_at(uint32_t at_ms) override;
  const LineSettings& settings() const override;

 private:
  // Something for this line at a virtual time; called with the core's lock held.
  void schedule_locked(uint32_t at_ms, Scheduled item);

  Core& core_;
  DeviceLine& line_;
};

class DeviceLine : public std::enable_shared_from_this<DeviceLine> {
 public:
  DeviceLine(Core& core, std::string path, std::shared_ptr<SerialPeer> peer)
      : path(std::move(path)), peer(std::move(peer)), link(core, *this) {}

  const std::string path;
  const std::shared_ptr<SerialPeer> peer;
  LineLink link;
  std::condition_variable cv;  // wakes the worker parked in wait_event

  bool open = true;
  bool parked = false;       // the worker sits in wait_event with nothing to report
  bool wake_requested = false;
  bool gone = false, gone_reported = false;
  std::deque<uint8_t> rx;
  uint32_t event_bits = 0;   // line events not yet reported
  ErrorStatus errors;        // flags not yet cleared
  ModemStatus modem;
  LineSettings settings;
  uint64_t tx_free_us = 0;   // end of the last paced transmission: paced sends never overlap

  bool has_report() const {
    return wake_requested || !rx.empty() || event_bits != 0 || (gone && !gone_reported);
  }
  // Busy keeps the virtual clock still: the worker has something to do or is not parked yet.
  bool busy() const { return open && (!parked || has_report()); }
};

}  // namespace platform::headless::detail
