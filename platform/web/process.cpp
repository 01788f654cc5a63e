// Process services in the page. The program lives in a read-only folder of the page's file
// system, as an installed copy does; the user's own folder, where the settings file is kept,
// is the part of that file system that the page's storage keeps between visits
// (storage_folder.h). The current directory and the environment are POSIX's
// (posix/process_environment.cpp).
#include "platform/process.h"

#include "platform/web/storage_folder.h"

namespace platform {

std::string program_path() { return std::string(web::kProgramFolder) + "/dtu-setup"; }

// The page has no machine name to give, and it is the only program it runs.
std::string host_name() { return {}; }
long long process_id() { return 1; }

// The program's folder is part of the page, as an installed program's folder is part of the
// system: it keeps no files.
bool in_system_program_folder(const std::string& dir) {
  const std::string folder = web::kProgramFolder;
  return dir == folder || dir.rfind(folder + "/", 0) == 0;
}

// The page numbers the ports the browser has let it use; the name is all there is.
std::string serial_device_path(int port_number) { return "COM" + std::to_string(port_number); }

std::string user_config_directory() { return web::kUserConfigFolder; }

}  // namespace platform
