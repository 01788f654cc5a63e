#include "main/cli/work_folder.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace cli {

namespace fs = std::filesystem;

WorkFolder::WorkFolder() {
  std::error_code ec;
  const fs::path base = fs::temp_directory_path(ec);
  if (ec) return;
  std::random_device random;
  for (int attempt = 0; attempt < 20; ++attempt) {
    const fs::path candidate = base / ("dtu-setup-cli-" + std::to_string(random()) + std::to_string(random()));
    if (fs::create_directory(candidate, ec) && !ec) {
      path_ = candidate.string();
      return;
    }
  }
}

WorkFolder::~WorkFolder() { remove(); }

void WorkFolder::remove() {
  if (path_.empty()) return;
  std::error_code ec;
  fs::remove_all(path_, ec);
  path_.clear();
}

bool read_whole_file(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  bytes = s.str();
  return !in.bad();
}

bool write_whole_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out.flush());
}

}  // namespace cli
