// Why a serial device would not open, as far as the system tells: the holder of a busy port
// (its lock file, or else a process that has the device open), the group that may open a
// refused one.
#include <dirent.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/posix/serial_lock.h"
#include "platform/serial.h"

namespace platform {
namespace {

std::string resolved(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return path;
  std::string out = real;
  std::free(real);
  return out;
}

// A process that has `device` open, found among the open files of the processes we may see
// (programs that take no lock: a terminal program, another copy of this tool).
std::optional<posix::LockHolder> process_using(const std::string& device) {
  const std::string target = resolved(device);
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return std::nullopt;
  std::optional<posix::LockHolder> found;
  while (!found) {
    const dirent* entry = ::readdir(proc);
    if (entry == nullptr) break;
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (*end != '\0' || pid <= 0 || pid == ::getpid()) continue;
    const std::string fds = std::string("/proc/") + entry->d_name + "/fd";
    DIR* dir = ::opendir(fds.c_str());
    if (dir == nullptr) continue;  // not ours to look into
    while (const dirent* fd = ::readdir(dir)) {
      char link[4096];
      const ssize_t n = ::readlink((fds + "/" + fd->d_name).c_str(), link, sizeof link - 1);
      if (n > 0 && target.compare(0, std::string::npos, link, static_cast<size_t>(n)) == 0) {
        found = posix::LockHolder{pid, posix::process_name(pid)};
        break;
      }
    }
    ::closedir(dir);
  }
  ::closedir(proc);
  return found;
}

}  // namespace

SerialRefusal explain_serial_refusal(const std::string& path, SerialError error) {
  SerialRefusal refusal;
  if (error == SerialError::Busy) {
    std::optional<posix::LockHolder> holder = posix::lock_holder(path);
    if (!holder || holder->pid == 0) {
      if (auto user = process_using(path)) holder = user;
    }
    if (holder) {
      refusal.holder_pid = holder->pid;
      refusal.holder_name = holder->name;
    }
  } else if (error == SerialError::Permission) {
    // Joining the device's group helps only where the group may read and write it; a device
    // of root's group is opened through the usual serial group.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || st.st_gid == 0) {
      refusal.allowed_group = "dialout";
    } else if ((st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP)) {
      const group* g = ::getgrgid(st.st_gid);
      refusal.allowed_group = g ? g->gr_name : "dialout";
    }
  }
  return refusal;
}

}  // namespace platform
