#include "main/settings_folder.h"

#include <filesystem>

#include "platform/files.h"
#include "platform/process.h"
#include "runtime/runtime_app.h"

namespace tool {
namespace {

namespace fs = std::filesystem;

constexpr char kSettingsFile[] = "data.txt";
constexpr char kUserFolderName[] = "dtu-setup";

bool holds_settings(const std::string& dir) {
  std::error_code ec;
  return fs::exists(fs::path(dir) / kSettingsFile, ec);
}

// The user's folder for the tool, made when missing (readable by its owner only, as the
// folders under ~/.config are); empty when there is none to be had.
std::string user_folder() {
  const std::string base = platform::user_config_directory();
  if (base.empty()) return {};
  const fs::path folder = fs::path(base) / kUserFolderName;
  std::error_code ec;
  if (fs::create_directories(folder, ec)) fs::permissions(folder, fs::perms::owner_all, ec);
  return fs::is_directory(folder, ec) ? folder.string() : std::string();
}

bool enter(const std::string& dir) {
  if (!platform::set_current_directory(dir)) return false;
  platform::remove_stale_replacements(dir);
  return true;
}

}  // namespace

bool enter_settings_folder(const std::string& program_dir) {
  if (holds_settings(program_dir) || platform::directory_writable(program_dir)) return enter(program_dir);
  const std::string folder = user_folder();
  if (!folder.empty() && enter(folder)) {
    rt::set_user_folder_current(true);
    return true;
  }
  return enter(program_dir);  // nowhere better: as before, the save then reports its failure
}

}  // namespace tool
