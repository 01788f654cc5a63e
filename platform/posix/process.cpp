// Process services on POSIX: the executable's path, the current directory, the environment,
// the COM port to device path table and the user's settings folder.
#include "platform/process.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace platform {

std::string program_path() {
  std::vector<char> buf(256);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
    buf.resize(buf.size() * 2);  // may have been cut short: try again with more room
  }
}

bool set_current_directory(const std::string& dir) { return !dir.empty() && ::chdir(dir.c_str()) == 0; }

std::string current_directory() {
  std::vector<char> buf(256);
  while (::getcwd(buf.data(), buf.size()) == nullptr) {
    if (errno != ERANGE) return {};
    buf.resize(buf.size() * 2);
  }
  return std::string(buf.data());
}

std::string host_name() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

long long process_id() { return static_cast<long long>(::getpid()); }

std::optional<std::string> environment(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

// COM1–4 are the built-in ports, COM5–12 USB adapters, COM13–15 USB modems (CDC ACM);
// anything else names a device that never exists, so opening it fails as "not found".
std::string serial_device_path(int port_number) {
  if (auto configured = environment("DTU_SETUP_COM" + std::to_string(port_number));
      configured && !configured->empty())
    return *configured;
  if (port_number >= 1 && port_number <= 4) return "/dev/ttyS" + std::to_string(port_number - 1);
  if (port_number >= 5 && port_number <= 12) return "/dev/ttyUSB" + std::to_string(port_number - 5);
  if (port_number >= 13 && port_number <= 15) return "/dev/ttyACM" + std::to_string(port_number - 13);
  return "/dev/ttyCOM" + std::to_string(port_number);
}

// What the package manager installs: /usr (and the root's /bin and /sbin where they are
// links into it); /opt and /usr/local stay the user's to unpack into.
bool in_system_program_folder(const std::string& dir) {
  if (dir.empty() || dir[0] != '/') return false;
  const std::string d = dir.back() == '/' ? dir : dir + "/";
  return d.rfind("/usr/", 0) == 0 && d.rfind("/usr/local/", 0) != 0;
}

// The XDG rule: $XDG_CONFIG_HOME when it is an absolute path, else ~/.config, where ~ is
// $HOME or, without one, the account's home folder.
std::string user_config_directory() {
  if (auto xdg = environment("XDG_CONFIG_HOME"); xdg && !xdg->empty() && (*xdg)[0] == '/') return *xdg;
  std::string home = environment("HOME").value_or("");
  if (home.empty()) {
    if (const passwd* account = ::getpwuid(::getuid()); account && account->pw_dir) home = account->pw_dir;
  }
  if (home.empty() || home[0] != '/') return {};
  return home + "/.config";
}

}  // namespace platform
