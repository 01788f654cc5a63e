// The browser tells nothing about who holds a port or who may open it.
#include "platform/serial.h"

namespace platform {

SerialRefusal explain_serial_refusal(const std::string&, SerialError) { return {}; }

}  // namespace platform
