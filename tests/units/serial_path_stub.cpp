// Stand-in for the device path table until the platform's process services are built:
// the DTU_SETUP_COM<n> override only.
#include <cstdlib>
#include <string>

#include "platform/process.h"

std::string platform::serial_device_path(int n) {
  const std::string name = "DTU_SETUP_COM" + std::to_string(n);
  const char* v = std::getenv(name.c_str());
  return v && *v ? v : "/dev/ttyCOM" + std::to_string(n);
}

// The runtime core's start-up state refers to these.
std::string platform::program_path() { return "/proc/self/exe"; }
bool platform::set_current_directory(const std::string&) { return false; }
std::string platform::current_directory() { return "."; }
