// The ports listing: COM1 to COM15, the device each maps to (the tool's table, or the
// DTU_SETUP_COM<n> override), whether it exists and whether this user may open it now.
#pragma once

#include <string>

namespace cli {

std::string port_listing();

}  // namespace cli
