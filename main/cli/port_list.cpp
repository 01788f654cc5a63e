#include "main/cli/port_list.h"

#include <cstdio>

#include "platform/process.h"
#include "platform/serial_ports.h"
#include "platform/serial_probe.h"

namespace cli {
namespace {

std::string state_of(const platform::SerialProbe& probe) {
  using platform::SerialError;
  if (!probe.exists) return "missing";
  switch (probe.error) {
    case SerialError::None: return "present  can be opened";
    case SerialError::Permission:
      return "present  no permission: join the group \"" + (probe.group.empty() ? std::string("dialout") : probe.group) +
             "\" and log in again";
    case SerialError::Busy: return "present  held by another program";
    case SerialError::Gone: return "present  no device answers behind it";
    case SerialError::Unsupported: return "present  not a serial device";
    default: return std::string("present  cannot be opened: ") + platform::describe(probe.error);
  }
}

std::string padded(std::string text, size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

// The ports the system lists, with the device behind each; none is opened.
std::string listed(const std::vector<platform::ListedPort>& ports) {
  if (ports.empty()) return "no COM port on this computer\n";
  std::string out;
  for (const platform::ListedPort& port : ports) out += padded(port.name, 6) + " " + padded(port.device, 20) + " present\n";
  return out;
}

}  // namespace

std::string port_listing() {
  if (const auto ports = platform::listed_serial_ports()) return listed(*ports);
  std::string out;
  for (int n = 1; n <= 15; ++n) {
    const std::string path = platform::serial_device_path(n);
    char head[64];
    std::snprintf(head, sizeof head, "COM%-3d ", n);
    std::string device = path;
    if (device.size() < 20) device.resize(20, ' ');
    out += head + device + " " + state_of(platform::probe_serial_device(path)) + "\n";
  }
  return out;
}

}  // namespace cli
