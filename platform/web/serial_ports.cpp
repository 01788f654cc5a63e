// The COM numbers the page has given the ports the browser lets it use, with an adapter
// plugged in behind them (page/serial.js keeps the table).
#include "platform/serial_ports.h"

#include <emscripten.h>

#include <cstdlib>
#include <sstream>

namespace platform {
namespace {

// "1 USB 1a86:7523\n2 USB 0403:6001\n..." of the plugged-in ports, in order of number.
EM_JS(char*, web_listed_ports, (), {
  const serial = Module.dtu.serial;
  const lines = [...serial.slots.entries()].filter(([, s]) => s.port).sort((a, b) => a[0] - b[0]).map(([com, s]) => {
    const hex = (v) => (v === undefined ? '?' : v.toString(16).padStart(4, '0'));
    return com + ' USB ' + hex(s.info.usbVendorId) + ':' + hex(s.info.usbProductId);
  });
  const text = lines.join('\n');
  const n = lengthBytesUTF8(text) + 1;
  const p = _malloc(n);
  stringToUTF8(text, p, n);
  return p;
});

}  // namespace

std::optional<std::vector<ListedPort>> listed_serial_ports() {
  char* text = web_listed_ports();
  std::istringstream lines(text);
  std::free(text);
  std::vector<ListedPort> ports;
  for (std::string line; std::getline(lines, line);) {
    const size_t space = line.find(' ');
    ListedPort p;
    p.number = std::atoi(line.substr(0, space).c_str());
    if (p.number <= 0) continue;
    p.name = "COM" + std::to_string(p.number);
    p.device = space == std::string::npos ? std::string() : line.substr(space + 1);
    ports.push_back(p);
  }
  return ports;
}

}  // namespace platform
