// Modem-line changes (CTS, DSR, carrier, ring) of a tty, turned into line-event bits for
// wait_event. The driver can only be asked to block until one of its modem-line counters
// moves, so one small helper thread per open device waits there and hands the changes over.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace platform::posix {

// The driver's change counters for the four input lines. The ring counter counts trailing
// edges of the ring indicator: one ring ends, one ring event.
struct ModemCounts {
  uint32_t cts = 0, dsr = 0, dcd = 0, rng = 0;
};

// The line-event bits (kEvCts, kEvDsr, kEvRlsd, kEvRing) for every counter that moved.
uint32_t modem_events(const ModemCounts& before, const ModemCounts& after);

// How the watcher reaches the driver. The tty one is used on real devices; tests put a
// stand-in here.
class ModemLines {
 public:
  virtual ~ModemLines() = default;
  // False when the driver keeps no counters (a pseudo-terminal has no modem lines).
  virtual bool counts(int fd, ModemCounts& out) = 0;
  // Blocks until a counter moves: 0, or the errno that ended the wait (EINTR when
  // interrupted, ENOTTY/EINVAL when the driver cannot wait, anything else when it failed).
  virtual int wait_change(int fd) = 0;
};
ModemLines& tty_modem_lines();

class ModemWatch {
 public:
  // Starts the helper on `fd` when the driver counts modem-line changes; null otherwise
  // (quietly: such a device simply reports no modem-line events). `notify` is called on the
  // helper thread after new event bits were added.
  static std::unique_ptr<ModemWatch> start(int fd, std::function<void()> notify,
                                           ModemLines& lines = tty_modem_lines());
  // Stops the helper and waits for it; every descriptor it used is closed afterwards.
  ~ModemWatch();
  ModemWatch(const ModemWatch&) = delete;
  ModemWatch& operator=(const ModemWatch&) = delete;

  // Takes the event bits collected since the last call.
  uint32_t take_events() { return pending_.exchange(0); }

 private:
  ModemWatch(int watch_fd, int park_fd, const ModemCounts& initial, std::function<void()> notify,
             ModemLines& lines);
  void run();

  const int watch_fd_;  // our own duplicate of the device descriptor; the helper waits on it
  const int park_fd_;   // never blocks and is no tty: put in place of watch_fd_ to stop
  ModemCounts last_;    // helper thread only
  std::function<void()> notify_;
  ModemLines& lines_;
  std::atomic<bool> stop_{false};
  std::atomic<uint32_t> pending_{0};
  std::thread helper_;
};

}  // namespace platform::posix
