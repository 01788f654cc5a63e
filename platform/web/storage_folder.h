// The page's file system: the program's read-only folder, and the user's own folder, which
// the tool picks for its settings file as an installed copy does. Files written directly in
// the tool's settings folder are kept by the page's storage between visits: the page loads
// them before the program starts, and every save goes to that storage before it counts.
#pragma once

#include <cstddef>
#include <string>

namespace platform::web {

inline constexpr char kProgramFolder[] = "/app";
inline constexpr char kUserConfigFolder[] = "/storage";
// The folder the tool makes inside the user's folder for its settings ("dtu-setup").
inline constexpr char kSettingsFolder[] = "/storage/dtu-setup";

// The name under which the page's storage keeps `path`, or empty when `path` is not directly
// in the settings folder (such files live only as long as the page).
std::string stored_name(const std::string& path);

// Writes `name` to the page's storage, replacing it whole or not at all; waits for the
// storage to say so (the program is suspended meanwhile, the page runs on).
bool store_file(const std::string& name, const void* data, size_t size);

}  // namespace platform::web
