// A stand-in for a driver's modem lines, for tests of the modem-line watch: a pipe's read
// end plays the device descriptor, and the wait for a change is a blocking read on it, so
// stopping the watch meets a real sleeping system call.
#pragma once

#include "platform/mutex.h"
#include "platform/posix/serial_modem_watch.h"

namespace platform::posix {

class SimulatedModemLines final : public ModemLines {
 public:
  SimulatedModemLines();  // check valid()
  ~SimulatedModemLines() override;
  SimulatedModemLines(const SimulatedModemLines&) = delete;
  SimulatedModemLines& operator=(const SimulatedModemLines&) = delete;

  bool valid() const { return read_fd_ >= 0; }
  // The descriptor to start the watch on.
  int device_fd() const { return read_fd_; }
  // False: the "driver" keeps no counters, as on a pseudo-terminal.
  void set_counting(bool counting);
  // The lines move: the counters become `now` and a waiting watch wakes.
  void change(const ModemCounts& now);

  bool counts(int fd, ModemCounts& out) override;
  int wait_change(int fd) override;

 private:
  int read_fd_ = -1, write_fd_ = -1;
  Mutex mutex_;  // the test's thread changes the lines while the watch's helper reads them
  ModemCounts counts_ GUARDED_BY(mutex_);
  bool counting_ GUARDED_BY(mutex_) = true;
};

}  // namespace platform::posix
