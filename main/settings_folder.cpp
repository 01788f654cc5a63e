#include "main/settings_folder.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/process.h"
#include "runtime/runtime_app.h"

namespace tool {
namespace {

namespace fs = std::filesystem;

constexpr char kSettingsFile[] = "data.txt";
constexpr char kUserFolderName[] = "dtu-setup";
// A settings file is a few hundred bytes; anything far larger is not one to copy.
constexpr int64_t kSeedLimit = 1 << 20;

// Paths are UTF-8 here, as the platform layer takes them; std::filesystem is given them as
// such (a user's folder may have a Chinese name).
fs::path from_utf8(const std::string& path) { return fs::path(std::u8string(path.begin(), path.end())); }
std::string to_utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string settings_path(const std::string& dir) { return to_utf8(from_utf8(dir) / kSettingsFile); }

bool holds_settings(const std::string& dir) {
  std::error_code ec;
  return fs::exists(from_utf8(settings_path(dir)), ec);
}

// Where a save can work: the file there may be replaced, or, without one, the folder may be
// written (an unpacked copy, for which the file is never made). Never a folder the system
// installs programs into, whatever the rights this run happens to have.
bool saves_can_work(const std::string& dir) {
  if (platform::in_system_program_folder(dir)) return false;
  return holds_settings(dir) ? platform::file_replaceable(settings_path(dir)) : platform::directory_writable(dir);
}

// The user's folder starts with the program folder's settings file, once: a copy the user
// has saved since is never replaced by it.
void seed(const std::string& folder, const std::string& program_dir) {
  if (holds_settings(folder) || !holds_settings(program_dir)) return;
  platform::FileError error;
  auto file = platform::open_file(settings_path(program_dir), platform::FileOpen{}, error);
  const int64_t size = file ? file->length() : -1;
  if (size < 0 || size > kSeedLimit) return;
  std::string content(static_cast<size_t>(size), '\0');
  size_t got = 0;
  if (!file->read(content.data(), content.size(), got) || got != content.size()) return;
  platform::create_file_atomically(settings_path(folder), content.data(), content.size());
}

// The user's folder for the tool, made when missing (readable by its owner only, as the
// folders under ~/.config are); empty when there is none to be had.
std::string user_folder() {
  const std::string base = platform::user_config_directory();
  if (base.empty()) return {};
  const fs::path folder = from_utf8(base) / kUserFolderName;
  std::error_code ec;
  if (fs::create_directories(folder, ec)) fs::permissions(folder, fs::perms::owner_all, ec);
  return fs::is_directory(folder, ec) ? to_utf8(folder) : std::string();
}

// A settings file as the tool saves it: the values, then a zero byte, the only one. A save
// cut short while writing leaves less.
bool whole_settings(std::string_view content) {
  return !content.empty() && content.size() <= static_cast<size_t>(kSeedLimit) && content.find('\0') == content.size() - 1;
}

// Makes `dir` current and settles what cut-short saves left there; `settled` is false while
// the settings file is missing but a copy of it is left that could not be put back.
bool enter(const std::string& dir, bool& settled) {
  if (!platform::set_current_directory(dir)) return false;
  settled = platform::settle_replacements(dir, kSettingsFile, whole_settings);
  return true;
}

}  // namespace

bool enter_settings_folder(const std::string& program_dir) {
  bool settled = true;
  if (saves_can_work(program_dir)) return enter(program_dir, settled);
  const std::string folder = user_folder();
  if (!folder.empty() && enter(folder, settled)) {
    // Never over the user's own values, not even while they survive only in a leftover.
    if (settled) seed(folder, program_dir);
    rt::set_user_folder_current(true);
    return true;
  }
  return enter(program_dir, settled);  // nowhere better: as before, the save then reports its failure
}

}  // namespace tool
