// Process services in the page. The program lives in a read-only folder of the page's file
// system, as an installed copy does; the user's own folder, where the settings file is kept,
// is the part of that file system that the page's storage keeps between visits
// (storage_folder.h). The current directory and the environment are POSIX's
// (posix/process_environment.cpp).
#include "platform/process.h"

#include "platform/web/storage_folder.h"

namespace platform {

std::string program_path() { return std::string(web::kProgramFolder) + "/dtu-setup"; }

// The page numbers the ports the browser has let it use; the name is all there is.
std::string serial_device_path(int port_number) { return "COM" + std::to_string(port_number); }

std::string user_config_directory() { return web::kUserConfigFolder; }

}  // namespace platform
