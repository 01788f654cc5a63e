// A serial device as the serial port unit's worker needs it: configure, purge, wait for
// line events, read one byte, write a buffer. One implementation per backend: termios on
// a real tty or pseudo-terminal, and an in-memory device under the headless clock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/window_types.h"

namespace platform {

enum class StopBits { One, OneAndHalf, Two };
enum class Parity { None, Odd, Even, Mark, Space };
enum class RtsMode { On, Off, Handshake };
enum class DtrMode { Unchanged, On, Off, Handshake };

struct LineSettings {
  uint32_t baud_rate = 19200;
  uint8_t data_bits = 8;
  StopBits stop_bits = StopBits::One;
  bool parity_check = false;
  Parity parity = Parity::None;
  std::optional<uint8_t> event_char;
  RtsMode rts = RtsMode::On;
  DtrMode dtr = DtrMode::Unchanged;
  bool cts_output_flow = false;  // output paced by CTS
  bool dsr_output_flow = false;  // output paced by DSR
  bool xon_xoff = false;         // XON 0x11 / XOFF 0x13 in both directions
  uint32_t timeout_ms = 1000;    // 0 = no time-outs; a write of n bytes may take timeout*(n+1)
};

// Our own error kinds; every backend maps its system errors into these in one place.
enum class SerialError { None, NotFound, Permission, Busy, Unsupported, Io, Gone };
const char* describe(SerialError);

// What the system can tell about why `path` would not open with `error`: who holds a busy
// device, which group may open a refused one. Empty fields where it cannot tell.
struct SerialRefusal {
  int64_t holder_pid = 0;     // Busy: the process holding the device; 0 when unknown
  std::string holder_name;    // its name, when known
  std::string allowed_group;  // Permission: members of this group may open the device
};
SerialRefusal explain_serial_refusal(const std::string& path, SerialError error);
// Tells the technician at a terminal, on standard error, what to do about a device that would
// not open, from what the system told about the refusal (the window says the same in its
// traffic monitor).
void explain_open_failure(const std::string& path, SerialError error, const SerialRefusal& why);

// Line-event bits reported by wait_event.
inline constexpr uint32_t kEvRxChar = 0x0001, kEvRxFlag = 0x0002, kEvCts = 0x0008, kEvDsr = 0x0010,
                          kEvRlsd = 0x0020, kEvBreak = 0x0040, kEvErr = 0x0080, kEvRing = 0x0100,
                          kEvGone = 0x8000'0000;  // the device went away (unplugged, peer closed)

struct ModemStatus {
  bool cts = false, dsr = false, ring = false, rlsd = false;
};

struct ErrorStatus {
  bool overrun = false, parity = false, framing = false;
  size_t queued = 0;  // input bytes waiting to be read
};

struct WriteResult {
  bool ok = false;
  size_t written = 0;  // fewer than asked: cut short by the write time-out
};

class SerialDevice {
 public:
  virtual ~SerialDevice() = default;
  // A device is waited on by a worker thread of its own (wait_event blocks), unless it
  // cannot be waited on from another thread (the browser's ports live on the page's one
  // thread). Such a device answers true here: from then on it posts `message` to `window`
  // whenever it has something to report, wait_event returns at once (0 when nothing is
  // pending), and the UI thread itself reads and writes it.
  virtual bool posts_events(Handle /*window*/, uint32_t /*message*/) { return false; }
  virtual SerialError configure(const LineSettings&) = 0;
  // Abort transfers and empty both directions' queues.
  virtual void purge() = 0;
  // Blocks without time-out until a line event occurs or wake() is called. Returns the
  // event bits (kEv*), 0 after a wake. After kEvGone only wake() ends a wait.
  virtual uint32_t wait_event() = 0;
  // Thread-safe: ends the current or next wait_event with 0.
  virtual void wake() = 0;
  // Reads and clears the error flags; also tells how many input bytes are queued.
  virtual ErrorStatus clear_errors() = 0;
  // Reads exactly one byte; false when none could be read.
  virtual bool read_byte(uint8_t& byte) = 0;
  virtual ModemStatus modem_status() = 0;
  // Writes all of it, honouring the write time-out of the settings.
  virtual WriteResult write(const uint8_t* data, size_t size) = 0;
};

}  // namespace platform
