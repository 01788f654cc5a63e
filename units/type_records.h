// Type records of the timer and serial port units, for the core library's type table.
#pragma once

#include "runtime/library.h"

namespace units {

// Type numbers within the core library.
inline constexpr int kTypeTimer = 0x20, kTypeSerialPort = 0x27;

const rt::UnitTypeRecord* timer_type_record();
const rt::UnitTypeRecord* serial_port_type_record();

}  // namespace units
