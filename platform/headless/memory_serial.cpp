#include "platform/headless/memory_serial.h"

#include <algorithm>

#include "platform/headless/device_line.h"

namespace platform::headless::detail {

// ---- the peer's side

uint32_t LineLink::now() const { return static_cast<uint32_t>(scheduler_.now_us() / 1000); }

void LineLink::send_at(uint32_t at_ms, const std::string& bytes, bool paced) {
  MutexLock lock(scheduler_.mu);
  holding(scheduler_, line_);
  const uint32_t baud = line_.settings.baud_rate;
  const bool timed = paced && baud != 0;
  uint64_t start = std::max<uint64_t>(uint64_t{at_ms} * 1000, scheduler_.now_us());
  // One wire: a paced burst starts after the previous one has left, so bursts never interleave.
  if (timed) start = std::max(start, line_.tx_free_us);
  for (size_t i = 0; i < bytes.size(); ++i) {
    Scheduled item;
    item.kind = Scheduled::Kind::Byte;
    item.device = line_.shared_from_this();
    item.byte = static_cast<uint8_t>(bytes[i]);
    scheduler_.schedule_locked(timed ? start + i * 10'000'000ull / baud : start, std::move(item));
  }
  if (timed) line_.tx_free_us = start + bytes.size() * 10'000'000ull / baud;
}

void LineLink::schedule_locked(uint32_t at_ms, Scheduled item) {
  item.device = line_.shared_from_this();
  scheduler_.schedule_locked(uint64_t{at_ms} * 1000, std::move(item));
}

void LineLink::line_event_at(uint32_t at_ms, uint32_t event_bits, ModemStatus status, ErrorStatus errors) {
  MutexLock lock(scheduler_.mu);
  Scheduled item;
  item.kind = Scheduled::Kind::LineEvent;
  item.bits = event_bits;
  item.status = status;
  item.errors = errors;
  schedule_locked(at_ms, std::move(item));
}

void LineLink::wake_at(uint32_t at_ms) {
  MutexLock lock(scheduler_.mu);
  Scheduled item;
  item.kind = Scheduled::Kind::PeerWake;
  schedule_locked(at_ms, std::move(item));
}

void LineLink::hang_up_at(uint32_t at_ms) {
  MutexLock lock(scheduler_.mu);
  Scheduled item;
  item.kind = Scheduled::Kind::HangUp;
  schedule_locked(at_ms, std::move(item));
}

LineSettings LineLink::settings() const {
  MutexLock lock(scheduler_.mu);
  holding(scheduler_, line_);
  return line_.settings;
}

// ---- the tool's side

namespace {

class MemorySerialDevice final : public SerialDevice {
 public:
  MemorySerialDevice(std::shared_ptr<EventScheduler> scheduler, std::shared_ptr<DeviceLine> line)
      : scheduler_(std::move(scheduler)), line_(std::move(line)) {}

  ~MemorySerialDevice() override {
    scheduler_->remove_device(line_);
    line_->peer->on_close();
  }

  SerialError configure(const LineSettings& settings) override {
    MutexLock lock(line_->mu);
    line_->settings = settings;
    return SerialError::None;
  }

  void purge() override {
    MutexLock lock(line_->mu);
    line_->rx.clear();
    line_->errors = {};
  }

  uint32_t wait_event() override {
    MutexLock lock(line_->mu);
    for (;;) {
      if (line_->wake_requested) {
        line_->wake_requested = false;
        return 0;
      }
      uint32_t bits = line_->event_bits | (line_->rx.empty() ? 0 : kEvRxChar);
      line_->event_bits = 0;
      if (line_->gone && !line_->gone_reported) {
        line_->gone_reported = true;
        bits |= kEvGone;
      }
      if (bits != 0) return bits;
      // Parked with nothing to report: the clock may move now.
      line_->parked = true;
      scheduler_->device_changed();
      lock.wait(line_->cv);
      line_->parked = false;
    }
  }

  void wake() override {
    {
      MutexLock lock(line_->mu);
      line_->wake_requested = true;
    }
    line_->cv.notify_all();
  }

  ErrorStatus clear_errors() override {
    MutexLock lock(line_->mu);
    ErrorStatus status = line_->errors;
    status.queued = line_->rx.size();
    line_->errors = {};
    return status;
  }

  bool read_byte(uint8_t& byte) override {
    MutexLock lock(line_->mu);
    if (line_->rx.empty()) return false;
    byte = line_->rx.front();
    line_->rx.pop_front();
    return true;
  }

  ModemStatus modem_status() override {
    MutexLock lock(line_->mu);
    return line_->modem;
  }

  WriteResult write(const uint8_t* data, size_t size) override {
    {
      MutexLock lock(line_->mu);
      if (line_->gone) return {false, 0};
    }
    // Instantaneous in virtual time; the peer answers through its link, which locks.
    if (size > 0) line_->peer->on_written(line_->link, data, size);
    return {true, size};
  }

 private:
  std::shared_ptr<EventScheduler> scheduler_;
  std::shared_ptr<DeviceLine> line_;
};

}  // namespace

std::unique_ptr<SerialDevice> open_memory_device(const std::shared_ptr<EventScheduler>& scheduler,
                                                 const std::string& path, const std::shared_ptr<SerialPeer>& peer) {
  auto line = std::make_shared<DeviceLine>(*scheduler, path, peer);
  scheduler->add_device(line);
  auto device = std::make_unique<MemorySerialDevice>(scheduler, line);
  peer->on_open(line->link);
  return device;
}

}  // namespace platform::headless::detail
