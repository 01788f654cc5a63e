#include "main/cli/port_choice.h"

#include <filesystem>

#include "platform/process.h"

namespace cli {

PortChoice choose_port(const PortName& port, platform::headless::SerialOpener system) {
  std::string device = port.device;
  if (!device.empty()) {
    // The tool changes folder: the device path must not depend on it.
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(device, ec);
    if (!ec) device = absolute.string();
  }
  if (port.com == 0 && port.number > 0) device = platform::serial_device_path(port.number);
  PortChoice choice;
  choice.com = port.com == 0 ? 1 : port.com;
  if (device.empty()) {
    choice.devices = std::move(system);
  } else {
    choice.devices = [system = std::move(system), device](const std::string&, platform::SerialError& error) {
      return system(device, error);
    };
  }
  return choice;
}

std::string no_such_link(int com, int baud) {
  return "the window offers no COM" + std::to_string(com) + " at " + std::to_string(baud) + " baud";
}

}  // namespace cli
