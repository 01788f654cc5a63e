#include <cstdio>

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

void explain_open_failure(const std::string& path, SerialError error, const SerialRefusal& why) {
  const char* device = path.c_str();
  switch (error) {
    case SerialError::NotFound:
      std::fprintf(stderr, "serial: %s does not exist (is the adapter plugged in?)\n", device);
      break;
    case SerialError::Permission:
      if (why.allowed_group.empty()) {
        std::fprintf(stderr, "serial: no permission to open %s\n", device);
      } else {
        std::fprintf(stderr, "serial: no permission to open %s; join the group \"%s\" and log in again\n", device,
                     why.allowed_group.c_str());
      }
      break;
    case SerialError::Busy:
      if (why.holder_pid > 0) {
        std::fprintf(stderr, "serial: %s is held by another program (pid %lld, %s)\n", device,
                     static_cast<long long>(why.holder_pid), why.holder_name.c_str());
      } else {
        std::fprintf(stderr, "serial: %s is held by another program\n", device);
      }
      break;
    case SerialError::Unsupported:
      std::fprintf(stderr, "serial: %s is not a serial device\n", device);
      break;
    default:
      std::fprintf(stderr, "serial: cannot open %s: %s\n", device, describe(error));
      break;
  }
}

}  // namespace platform
