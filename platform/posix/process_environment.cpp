// The current directory and the environment, as every POSIX-like system has them (the page's
// program too, in its own file system).
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/process.h"

namespace platform {

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

}  // namespace platform
