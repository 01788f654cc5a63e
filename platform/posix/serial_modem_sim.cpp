#include "platform/posix/serial_modem_sim.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

namespace platform::posix {

SimulatedModemLines::SimulatedModemLines() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  read_fd_ = fds[0];
  write_fd_ = fds[1];
}

SimulatedModemLines::~SimulatedModemLines() {
  if (read_fd_ >= 0) ::close(read_fd_);
  if (write_fd_ >= 0) ::close(write_fd_);
}

void SimulatedModemLines::set_counting(bool counting) {
  MutexLock lock(mutex_);
  counting_ = counting;
}

void SimulatedModemLines::change(const ModemCounts& now) {
  {
    MutexLock lock(mutex_);
    counts_ = now;
  }
  const char tick = 1;
  while (::write(write_fd_, &tick, 1) < 0 && errno == EINTR) {
  }
}

bool SimulatedModemLines::counts(int, ModemCounts& out) {
  MutexLock lock(mutex_);
  out = counts_;
  return counting_;
}

int SimulatedModemLines::wait_change(int fd) {
  char tick;
  const ssize_t n = ::read(fd, &tick, 1);
  if (n == 1) return 0;
  return n == 0 ? EIO : errno;  // end of file: nothing left to wait on
}

}  // namespace platform::posix
