#include "tools/dtu-sim/pty_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace dtusim {

std::unique_ptr<PtyPort> PtyPort::create(std::string& error) {
  int fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0) {
    error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
    if (fd >= 0) close(fd);
    return nullptr;
  }
  const char* name = ptsname(fd);
  // Raw mode through the master applies to the slave: no echo, no line editing, no CR/LF
  // translation, so bytes pass exactly as on a serial line.
  termios tio{};
  if (name == nullptr || tcgetattr(fd, &tio) != 0) {
    error = std::string("cannot set up the pseudo-terminal: ") + std::strerror(errno);
    close(fd);
    return nullptr;
  }
  cfmakeraw(&tio);
  tcsetattr(fd, TCSANOW, &tio);
  // A master whose slave was never opened does not report a hang-up; open and close the
  // slave once so that "nobody has it open" looks the same before the first opener as
  // after a later one.
  int slave = open(name, O_RDWR | O_NOCTTY);
  if (slave >= 0) close(slave);
  // Watched only from here on, so the opening above is not counted.
  int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch >= 0 && inotify_add_watch(watch, name, IN_OPEN | IN_CLOSE) < 0) {
    close(watch);
    watch = -1;
  }
  return std::unique_ptr<PtyPort>(new PtyPort(fd, name, watch));
}

PtyPort::~PtyPort() {
  if (watch_ >= 0) close(watch_);
  close(fd_);
}

std::vector<bool> PtyPort::take_open_events(bool& overflow) {
  std::vector<bool> events;
  overflow = false;
  alignas(inotify_event) char buf[4096];
  ssize_t n;
  while (watch_ >= 0 && (n = read(watch_, buf, sizeof buf)) > 0) {
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
      inotify_event event;
      std::memcpy(&event, buf + at, sizeof event);
      if (event.mask & IN_Q_OVERFLOW) overflow = true;
      if (event.mask & IN_OPEN) events.push_back(true);
      if (event.mask & IN_CLOSE) events.push_back(false);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
    }
  }
  return events;
}

bool PtyPort::peer_present() const {
  // The master reports a hang-up for as long as no one has the slave open.
  pollfd p{fd_, POLLIN, 0};
  if (poll(&p, 1, 0) < 0) return false;
  return (p.revents & POLLHUP) == 0;
}

std::string PtyPort::read_available(bool& gone) {
  std::string out;
  char buf[512];
  while (true) {
    ssize_t n = read(fd_, buf, sizeof buf);
    if (n > 0) {
      out.append(buf, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    // EIO: the last opener closed the slave.
    gone = n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
    return out;
  }
}

void PtyPort::drain() {
  bool gone = false;
  read_available(gone);
  // Output flushed on the master empties the slave's input: bytes a previous opener left
  // unread never reach the next one.
  tcflush(fd_, TCOFLUSH);
}

size_t PtyPort::write_some(std::string_view bytes) {
  while (true) {
    ssize_t n = write(fd_, bytes.data(), bytes.size());
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) return 0;
  }
}

}  // namespace dtusim
