// Whether a serial device could be opened by this user now, found without configuring it:
// what a port listing tells the technician before they cable a DTU.
#pragma once

#include <string>

#include "platform/serial.h"

namespace platform {

struct SerialProbe {
  bool exists = false;
  SerialError error = SerialError::None;  // None: it can be opened
  std::string group;                       // Permission: the group that may open it
};

SerialProbe probe_serial_device(const std::string& path);

}  // namespace platform
