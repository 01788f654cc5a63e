#include "platform/posix/files_share.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdint>

namespace platform::posix {

namespace {

// The marker bytes sit at the top of the offset range, where no file's data reaches.
constexpr off_t kMarkerBase = INT64_MAX - 16;
enum Marker : off_t { kReads = 0, kWrites = 1, kDeniesRead = 2, kDeniesWrite = 3 };

bool take(int fd, Marker marker) {
  struct flock lock {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = kMarkerBase + marker;
  lock.l_len = 1;
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// True when another open file description holds the marker.
bool held_by_other(int fd, Marker marker, bool& failed) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = kMarkerBase + marker;
  lock.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &lock) != 0) {
    failed = true;
    return false;
  }
  return lock.l_type != F_UNLCK;
}

}  // namespace

bool claim_share(int fd, const FileOpen& how, FileError& error) {
  const bool reads = how.access != FileAccess::Write;
  const bool writes = how.access != FileAccess::Read;
  const bool deny_read = how.share == FileShare::DenyRead || how.share == FileShare::Exclusive;
  const bool deny_write = how.share == FileShare::DenyWrite || how.share == FileShare::Exclusive;

  // A write-only descriptor cannot hold shared locks; such openers are opened read-write
  // by the caller when the file allows it.
  if ((reads && !take(fd, kReads)) || (writes && !take(fd, kWrites)) || (deny_read && !take(fd, kDeniesRead)) ||
      (deny_write && !take(fd, kDeniesWrite))) {
    error = FileError::Io;
    return false;
  }
  bool failed = false;
  const bool conflict = (reads && held_by_other(fd, kDeniesRead, failed)) ||
                        (writes && held_by_other(fd, kDeniesWrite, failed)) ||
                        (deny_read && held_by_other(fd, kReads, failed)) ||
                        (deny_write && held_by_other(fd, kWrites, failed));
  if (failed) {
    error = FileError::Io;
    return false;
  }
  if (conflict) {
    error = FileError::SharingViolation;
    return false;
  }
  return true;
}

}  // namespace platform::posix
