// The one place where the system's error numbers for a file become our error kinds; the
// page's file system reports the same numbers.
#pragma once

#include <cerrno>

#include "platform/files.h"

namespace platform::posix {

inline FileError file_error_from_errno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return FileError::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return FileError::Permission;
    default:
      return FileError::Io;
  }
}

}  // namespace platform::posix
