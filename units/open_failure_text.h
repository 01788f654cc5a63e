// The reason a port would not open, as the window shows it (GBK, one line): the port, the
// device it names, and what stood in the way, e.g. "COM2 (/dev/ttyUSB0) 被其他程序占用
// (PID 812 minicom)".
#pragma once

#include <string>

#include "units/comm_port.h"

namespace units {

std::string open_failure_text(const OpenFailure& failure);

}  // namespace units
