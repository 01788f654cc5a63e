// The far end of an in-memory serial line under the headless clock: a simulated device
// (such as the DTU simulator) implements SerialPeer and acts on the line through PeerLink.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/serial.h"

namespace platform::headless {

// What a peer can do to the line. Valid only during the peer's callbacks (UI thread or
// the virtual clock's advance); times are virtual milliseconds.
class PeerLink {
 public:
  virtual ~PeerLink() = default;
  virtual uint32_t now() const = 0;
  // Delivers bytes to the tool starting at `at_ms`; with pacing on, one byte per
  // character time of the line's baud rate (10 bits per byte), else all at once. The speed
  // is the one configured when send_at is called; paced bursts queue behind each other.
  virtual void send_at(uint32_t at_ms, const std::string& bytes, bool paced = true) = 0;
  // Raises line-event bits (kEvBreak, kEvErr, kEvRing, kEvCts, ...) at `at_ms`; the modem
  // status then reads `status`; `errors` are reported by the next clear_errors.
  virtual void line_event_at(uint32_t at_ms, uint32_t event_bits, ModemStatus status = {},
                             ErrorStatus errors = {}) = 0;
  // Asks for on_timer(now) at `at_ms`.
  virtual void wake_at(uint32_t at_ms) = 0;
  // The device goes away at `at_ms` (like an unplugged adapter).
  virtual void hang_up_at(uint32_t at_ms) = 0;
  virtual LineSettings settings() const = 0;  // as the tool configured them
};

class SerialPeer {
 public:
  virtual ~SerialPeer() = default;
  virtual void on_open(PeerLink&) {}   // the tool opened the device
  virtual void on_close() {}            // the tool closed it
  // The tool wrote these bytes (they reach the peer when written: the write is immediate).
  virtual void on_written(PeerLink& link, const uint8_t* data, size_t size) = 0;
  virtual void on_timer(PeerLink&) {}
};

}  // namespace platform::headless
