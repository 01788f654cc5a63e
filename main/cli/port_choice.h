// How a port named on the command line is reached through the window, which offers COM1 to
// COM15: the COM port the window is set to, and the device behind it. A device path, or a COM
// port above the window's fifteen, stands in for the device of the port the window picks.
#pragma once

#include <string>

#include "main/cli/options.h"
#include "platform/headless/headless_backend.h"

namespace cli {

struct PortChoice {
  int com = 1;                               // the window's COM port
  platform::headless::SerialOpener devices;  // what opening it opens
};

// `port` as parse_port read it; `system` the system's serial devices.
PortChoice choose_port(const PortName& port, platform::headless::SerialOpener system);

// The message when the window offers no such link.
std::string no_such_link(int com, int baud);

}  // namespace cli
