// Stand-ins for the process services while the platform does not provide them yet; the
// tests install their own fakes before any start-up.
#include "platform/process.h"

std::string platform::program_path() { return "/nonexistent/dtu-setup"; }
bool platform::set_current_directory(const std::string&) { return false; }
