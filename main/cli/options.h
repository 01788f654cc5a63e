// The console program's command line:
//   dtu-setup-cli ports
//   dtu-setup-cli read  --port PORT [--baud N] [--boot-wait S] [--json] [--save FILE]
//   dtu-setup-cli write --port PORT [--baud N] [--boot-wait S] [--json] [--from FILE] [--set KEY=VALUE]...
//   dtu-setup-cli reset --port PORT [--baud N] [--boot-wait S] [--json]
//   dtu-setup-cli --help | --version
// Every command also takes --encoding utf-8|console.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings_table.h"
#include "platform/console.h"

namespace cli {

enum class Command { Help, Version, Ports, Read, Write, Reset };

// The link baud rates the window's baud box offers.
inline constexpr std::array<int, 10> kLinkBaudRates = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

struct SetValue {
  app::Key key;
  std::string value;  // as given (UTF-8)
};

struct Options {
  Command command = Command::Help;
  std::vector<std::string> ports;
  int baud = 9600;
  std::string boot_wait_text = "60";
  int boot_wait_ms = 60000;
  bool json = false;
  std::string save_file;      // read only
  std::string from_file;      // write only
  std::vector<SetValue> sets; // in the order given; the last one for a key wins
  platform::ConsoleEncoding encoding = platform::ConsoleEncoding::System;
};

// --encoding NAME: "utf-8" (or "utf8", any letter case) for UTF-8 output whatever the
// console's code page, "console" for the system's way (the default). Nullopt for any other.
std::optional<platform::ConsoleEncoding> parse_encoding(std::string_view name);

// A port argument: COM<n> (any letter case), or a device path. COM1 to COM15 are the window's
// own port box items; a higher number names its device directly.
struct PortName {
  int com = 0;     // 1 to 15; 0: a higher COM number or a device path
  int number = 0;  // n of any COM<n>; 0: a device path
  std::string device;
};
// False when the text is neither (an empty text, COM0 ...).
bool parse_port(const std::string& text, PortName& port);

// "" when the command line is sound; otherwise what is wrong with it (exit status 2).
std::string parse_options(const std::vector<std::string>& args, Options& options);

// The command line of the child process that handles one of several ports.
std::vector<std::string> child_arguments(const Options& options, const std::string& port);

std::string help_text();

}  // namespace cli
