#include "platform/posix/serial_errno.h"

#include <errno.h>

namespace platform::posix {

SerialError serial_error_from_errno(int error, bool opened) {
  switch (error) {
    case ENODEV: case ENXIO: case EIO: return opened ? SerialError::Gone : SerialError::NotFound;
    case EPIPE: return SerialError::Gone;
    case ENOENT: case ENOTDIR: return SerialError::NotFound;
    case EACCES: case EPERM: case EROFS: return SerialError::Permission;
    case EBUSY: case EWOULDBLOCK: return SerialError::Busy;
    case ENOTTY: case EINVAL: return SerialError::Unsupported;
    default: return SerialError::Io;
  }
}

}  // namespace platform::posix
