#include "tools/dtu-sim/options.h"

#include <charconv>
#include <optional>
#include <utility>

namespace dtusim {

namespace {

bool to_ms(const std::string& text, uint32_t max, uint32_t& out) {
  uint32_t n = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || n > max) return false;
  out = n;
  return true;
}

// Splits "--name=value" into name and value; `--name value` is handled by the caller.
std::pair<std::string, std::optional<std::string>> split_long(const std::string& arg) {
  size_t eq = arg.find('=');
  if (eq == std::string::npos || arg.rfind("--", 0) != 0) return {arg, std::nullopt};
  return {arg.substr(0, eq), arg.substr(eq + 1)};
}

}  // namespace

std::string parse_options(const std::vector<std::string>& args, Options& o) {
  for (size_t i = 0; i < args.size(); ++i) {
    auto [name, inline_value] = split_long(args[i]);
    if (name == "--help" || name == "-h") {
      o.help = true;
      continue;
    }
    if (name == "--stream") {
      o.config.stream = true;
      continue;
    }
    if (name == "--quiet" || name == "-q") {
      o.quiet = true;
      continue;
    }
    if (name.empty() || name[0] != '-') return "unexpected argument " + name;
    std::string value;
    if (inline_value) {
      value = *inline_value;
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      return "missing value for " + name;
    }
    std::string err;
    if (name == "--baud") {
      if (!to_ms(value, 4000000, o.config.baud) || o.config.baud == 0) err = "bad baud rate";
    } else if (name == "--state") {
      o.state_path = value;
    } else if (name == "--link") {
      o.link_path = value;
    } else if (name == "--swap") {
      o.swap_dir = value;
    } else if (name == "--reply-delay") {
      if (!to_ms(value, 600000, o.config.reply_delay_ms)) err = "bad reply delay";
    } else if (name == "--delay") {
      err = add_command_delay(o.config, value);
    } else if (name == "--fault") {
      err = add_fault(o.config.faults, value);
    } else if (name == "--boot-window") {
      if (!to_ms(value, 600000, o.config.boot_window_ms)) err = "bad boot window";
    } else if (name == "--boot-delay") {
      if (!to_ms(value, 600000, o.boot_delay_ms)) err = "bad boot delay";
    } else {
      err = "unknown option";
    }
    if (!err.empty()) return name + " " + value + ": " + err;
  }
  return "";
}

std::string help_text(const std::string& program) {
  return "Usage: " + program + " [options]\n"
         "Simulates a GPRS/CDMA DTU on a pseudo-terminal. The terminal's path is printed as the\n"
         "first line of standard output. About a second after a program opens it (and again each\n"
         "time it is reopened) the DTU boots: boot text, then \"Press %%%%%%%%% into setting mode\".\n"
         "Within the boot window, \"%%%%%%%%%%\" CR LF enters setting mode; otherwise the DTU goes\n"
         "to data mode and ignores commands until the next boot. In setting mode it answers\n"
         "%LIST, %RST and %ID= %IP= %PT= %DN= %AP= %TM= %UB= %HT= %OT= %RV1= %RV2= %SS1= %SS2=.\n"
         "Press Enter or send SIGUSR1 to reboot it; Ctrl-C ends it.\n"
         "\n"
         "Options:\n"
         "  --baud N            line speed for pacing, 10 bits per byte (default 9600)\n"
         "  --state FILE        keep the settings in FILE (KEY=value lines), loaded at start\n"
         "  --link PATH         also make PATH a symbolic link to the terminal (removed at exit)\n"
         "  --swap DIR          a production bench: when the port is closed after the DTU was\n"
         "                      written and then read, a fresh DTU (factory settings) takes its\n"
         "                      place; the finished one's settings go to DIR/unit-NNN.state\n"
         "  --reply-delay MS    delay before every reply (default 50)\n"
         "  --delay CMD=MS      delay before the reply to CMD only (repeatable)\n"
         "  --boot-window MS    how long the setting-mode request is accepted (default 3000)\n"
         "  --boot-delay MS     from the port being opened to the boot (default 1000)\n"
         "  --fault NAME[=ARG]  misbehave as below (repeatable)\n"
         "  --stream            in data mode, forward server data without pause, at line speed\n"
         "  --quiet             do not log received and sent bytes to standard error\n"
         "  --help              this text\n"
         "\n"
         "Faults:\n" +
         std::string(fault_help());
}

}  // namespace dtusim
