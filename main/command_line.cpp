#include "main/command_line.h"

#include <string_view>

#include "dtu_version.h"

namespace tool {
namespace {

constexpr std::string_view kUsage =
    "Usage: dtu-setup [--help | --version]\n"
    "\n"
    "Reads, checks, edits and writes the settings of a GPRS/CDMA DTU over a serial line.\n"
    "Started without arguments it opens its window; every option is in the window.\n"
    "\n"
    "Settings file: data.txt in the program's folder. A copy whose folder it may not\n"
    "write (an installed one) keeps it in $XDG_CONFIG_HOME/dtu-setup (by default\n"
    "~/.config/dtu-setup) instead.\n"
    "\n"
    "Serial ports: COM1-COM4 are /dev/ttyS0-3, COM5-COM12 /dev/ttyUSB0-7, COM13-COM15\n"
    "/dev/ttyACM0-2. DTU_SETUP_COM<n>=PATH points COM n at another device. Ports are\n"
    "locked with UUCP lock files in /run/lock (DTU_SETUP_LOCK_DIR names another folder).\n"
    "\n"
    "  -h, --help     show this text\n"
    "  -V, --version  show the version\n";

}  // namespace

std::optional<int> answer_command_line(int argc, const char* const* argv, std::ostream& out) {
  if (argc < 2 || argv[1] == nullptr) return std::nullopt;
  const std::string_view first = argv[1];
  if (first == "--help" || first == "-h") {
    out << kUsage;
    return 0;
  }
  if (first == "--version" || first == "-V") {
    out << "dtu-setup " << kVersion << "\n";
    return 0;
  }
  return std::nullopt;
}

}  // namespace tool
