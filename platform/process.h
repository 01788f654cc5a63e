// Process services: the program's own path, the current directory, the environment.
#pragma once

#include <optional>
#include <string>

namespace platform {

// Paths are UTF-8 with '/' separators on every system.

// Absolute path of the running executable.
std::string program_path();
bool set_current_directory(const std::string& dir);
std::string current_directory();
std::optional<std::string> environment(const std::string& name);

// This machine's name ("" when the system gives none) and this process's id, as a journal
// names who did what.
std::string host_name();
long long process_id();

// Device path of COM port n. On Linux: the documented default table, overridden per port by
// the environment variable DTU_SETUP_COM<n>; on Windows: the device \\.\COM<n> itself.
std::string serial_device_path(int port_number);

// True for a folder inside those where the system installs programs for all its users
// (Program Files on Windows, /usr on Linux): a program there keeps no files beside itself,
// even when run with the rights to write there.
bool in_system_program_folder(const std::string& dir);

// The folder where the user's programs keep their own settings: $XDG_CONFIG_HOME, else
// ~/.config (on Windows %APPDATA%). Empty when the system names none.
std::string user_config_directory();

}  // namespace platform
