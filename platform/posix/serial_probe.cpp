// Probing a serial device on POSIX: existence and permission from the file system, then an
// open without configuring anything, to see whether another program holds it.
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/serial_errno.h"
#include "platform/serial_probe.h"

namespace platform {

SerialProbe probe_serial_device(const std::string& path) {
  SerialProbe probe;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    probe.error = SerialError::NotFound;
    return probe;
  }
  probe.exists = true;
  if (::access(path.c_str(), R_OK | W_OK) != 0) {
    probe.error = SerialError::Permission;
    if (const group* g = getgrgid(st.st_gid)) probe.group = g->gr_name;
    return probe;
  }
  // The same exclusivity the tool's own open asks for: an exclusive tty refuses with EBUSY,
  // a program holding the lock makes the lock fail.
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    probe.error = posix::serial_error_from_errno(errno, /*opened=*/false);
    return probe;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) probe.error = SerialError::Busy;
  ::close(fd);
  return probe;
}

}  // namespace platform
