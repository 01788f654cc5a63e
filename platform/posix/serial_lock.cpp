#include "platform/posix/serial_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/process.h"

namespace platform::posix {
namespace {

std::string lock_directory() {
  auto dir = platform::environment("DTU_SETUP_LOCK_DIR");
  return dir && !dir->empty() ? *dir : "/run/lock";
}

enum class Found { Nothing, Unreadable, Garbage, Pid };

// What the lock file `file` holds: the ten-character text of today's programs, or the
// four-byte binary id of old ones.
Found read_lock(const std::string& file, int64_t& pid) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return errno == ENOENT ? Found::Nothing : Found::Unreadable;
  char buf[32] = {};
  ssize_t n;
  while ((n = ::read(fd, buf, sizeof buf - 1)) < 0 && errno == EINTR) {
  }
  ::close(fd);
  if (n < 0) return Found::Unreadable;
  if (n == 4 && std::strspn(buf, " 0123456789\n") < 4) {
    int32_t binary;
    std::memcpy(&binary, buf, 4);
    pid = binary;
  } else {
    char* end = nullptr;
    pid = std::strtoll(buf, &end, 10);
    if (end == buf) return Found::Garbage;
  }
  return pid > 0 ? Found::Pid : Found::Garbage;
}

bool process_alive(int64_t pid) {
  return pid > 0 && pid <= INT32_MAX && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

bool write_all(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t r = ::write(fd, text.data() + done, text.size() - done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    done += static_cast<size_t>(r);
  }
  return true;
}

// Said once per process: a folder that refuses our locks stays that way.
void warn_unlocked(const std::string& dir, int error) {
  static bool warned = false;
  if (warned) return;
  warned = true;
  std::fprintf(stderr, "serial: no lock file can be made in %s (%s); ports are opened without one\n", dir.c_str(),
               std::strerror(error));
}

enum class Made { Ours, Taken, Refused };

// Creates `file` holding our id, all at once: written under a temporary name, then linked,
// so that nobody ever reads a half-written lock.
Made make_lock(const std::string& dir, const std::string& file) {
  const std::string pid = std::to_string(::getpid());
  const std::string temp = dir + "/LTMP." + pid;
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) {
    warn_unlocked(dir, errno);
    return Made::Refused;
  }
  char text[16];
  std::snprintf(text, sizeof text, "%10s\n", pid.c_str());
  const bool written = ::fchmod(fd, 0644) == 0 && write_all(fd, text);
  ::close(fd);
  const int linked = written ? ::link(temp.c_str(), file.c_str()) : -1;
  const int error = errno;
  ::unlink(temp.c_str());
  if (linked == 0) return Made::Ours;
  if (written && error == EEXIST) return Made::Taken;
  warn_unlocked(dir, written ? error : EIO);
  return Made::Refused;
}

}  // namespace

PortLock& PortLock::operator=(PortLock&& other) noexcept {
  if (this != &other) {
    release();
    path_ = std::move(other.path_);
    other.path_.clear();
  }
  return *this;
}

std::string lock_file_of(const std::string& device) {
  std::string real = device;
  if (char* resolved = ::realpath(device.c_str(), nullptr)) {
    real = resolved;
    std::free(resolved);
  }
  // /dev/ttyUSB0 -> ttyUSB0, /dev/pts/3 -> pts_3; outside /dev, the last name.
  std::string name = real.rfind("/dev/", 0) == 0 ? real.substr(5) : real.substr(real.rfind('/') + 1);
  for (char& c : name)
    if (c == '/') c = '_';
  return lock_directory() + "/LCK.." + name;
}

std::string process_name(int64_t pid) {
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

std::optional<LockHolder> lock_holder(const std::string& device) {
  int64_t pid = 0;
  switch (read_lock(lock_file_of(device), pid)) {
    case Found::Unreadable: return LockHolder{};
    case Found::Pid:
      if (process_alive(pid)) return LockHolder{pid, process_name(pid)};
      return std::nullopt;
    default: return std::nullopt;
  }
}

bool PortLock::acquire(const std::string& device, LockHolder& holder) {
  release();
  const std::string file = lock_file_of(device);
  const std::string dir = file.substr(0, file.rfind('/'));
  for (int attempt = 0; attempt < 5; ++attempt) {
    int64_t pid = 0;
    switch (read_lock(file, pid)) {
      case Found::Nothing: break;
      case Found::Unreadable:
        holder = {};
        return false;
      case Found::Pid:
        // Our own process holds it already: the exclusive open decides, its opener keeps the lock.
        if (pid == ::getpid()) return true;
        if (process_alive(pid)) {
          holder = {pid, process_name(pid)};
          return false;
        }
        [[fallthrough]];
      case Found::Garbage:  // stale: nobody is behind it
        if (::unlink(file.c_str()) != 0 && errno != ENOENT) {
          warn_unlocked(dir, errno);  // someone else's stale lock in a folder that keeps it
          return true;
        }
        continue;
    }
    switch (make_lock(dir, file)) {
      case Made::Ours: path_ = file; return true;
      case Made::Refused: return true;
      case Made::Taken: continue;  // another program was quicker: look at its lock
    }
  }
  holder = {};
  return false;
}

void PortLock::release() {
  if (path_.empty()) return;
  int64_t pid = 0;
  if (read_lock(path_, pid) == Found::Pid && pid == ::getpid()) ::unlink(path_.c_str());
  path_.clear();
}

}  // namespace platform::posix
