#include "platform/serial.h"

namespace platform {

const char* describe(SerialError e) {
  switch (e) {
    case SerialError::None: return "no error";
    case SerialError::NotFound: return "no such device";
    case SerialError::Permission: return "permission denied";
    case SerialError::Busy: return "the port is in use by another program";
    case SerialError::Unsupported: return "the device rejected the line settings";
    case SerialError::Io: return "input/output error";
    case SerialError::Gone: return "the device went away";
  }
  return "unknown error";
}

}  // namespace platform
