#include "platform/posix/serial_pty.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>

namespace platform::posix {

PseudoTerminal::PseudoTerminal() {
  int fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  char name[128];
  if (grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname_r(fd, name, sizeof name) != 0) {
    ::close(fd);
    return;
  }
  master_ = fd;
  slave_path_ = name;
}

PseudoTerminal::~PseudoTerminal() { close(); }

void PseudoTerminal::close() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

bool PseudoTerminal::write(std::string_view bytes) {
  while (!bytes.empty() && master_ >= 0) {
    ssize_t n = ::write(master_, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
    } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
      return false;
    } else if (n < 0 && errno == EAGAIN) {
      pollfd p{master_, POLLOUT, 0};
      ::poll(&p, 1, 100);
    }
  }
  return bytes.empty();
}

std::string PseudoTerminal::read(size_t want, int timeout_ms) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::string out;
  while (out.size() < want && master_ >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    char buf[4096];
    ssize_t n = ::read(master_, buf, std::min(sizeof buf, want - out.size()));
    if (n > 0) {
      out.append(buf, static_cast<size_t>(n));
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
      break;  // nobody has the port open
    }
  }
  return out;
}

}  // namespace platform::posix
