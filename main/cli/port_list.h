// The ports listing. Where the system lists its COM ports (Windows): those, any number, with
// the device behind each, none opened. Elsewhere: COM1 to COM15, the device each maps to (the
// tool's table, or the DTU_SETUP_COM<n> override), whether it exists and whether this user
// may open it now.
#pragma once

#include <string>

namespace cli {

std::string port_listing();

}  // namespace cli
