// Process services in the page. The program lives in a read-only folder of the page's file
// system, as an installed copy does; the user's own folder, where the settings file is kept,
// is the part of that file system that the page's storage keeps between visits
// (storage_folder.h).
#include "platform/process.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/web/storage_folder.h"

namespace platform {

std::string program_path() { return std::string(web::kProgramFolder) + "/dtu-setup"; }

bool set_current_directory(const std::string& dir) { return !dir.empty() && ::chdir(dir.c_str()) == 0; }

std::string current_directory() {
  std::vector<char> buf(256);
  while (::getcwd(buf.data(), buf.size()) == nullptr) {
    if (errno != ERANGE) return {};
    buf.resize(buf.size() * 2);
  }
  return std::string(buf.data());
}

std::optional<std::string> environment(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

// The page numbers the ports the browser has let it use; the name is all there is.
std::string serial_device_path(int port_number) { return "COM" + std::to_string(port_number); }

std::string user_config_directory() { return web::kUserConfigFolder; }

}  // namespace platform
