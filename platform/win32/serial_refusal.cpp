// Why a COM port would not open, as far as Windows tells: it names neither the program that
// holds a port nor a group that may open one, so the reason stays the error kind alone.
#include "platform/serial.h"

namespace platform {

SerialRefusal explain_serial_refusal(const std::string&, SerialError) { return {}; }

}  // namespace platform
