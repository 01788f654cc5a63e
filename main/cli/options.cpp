#include "main/cli/options.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "platform/gbk_codec.h"

namespace cli {
namespace {

constexpr int kMaxBootWaitMs = 24 * 3600 * 1000;

bool all_digits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<int> parse_int(std::string_view s) {
  int n = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
  if (!all_digits(s) || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return n;
}

// Seconds with up to three decimals, as milliseconds.
std::optional<int> parse_seconds(std::string_view s) {
  const size_t dot = s.find('.');
  const std::string_view whole = s.substr(0, dot);
  const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : s.substr(dot + 1);
  if (!all_digits(whole) || whole.size() > 6) return std::nullopt;
  if (dot != std::string_view::npos && (!all_digits(fraction) || fraction.size() > 3)) return std::nullopt;
  int ms = *parse_int(whole) * 1000;
  int scale = 100;
  for (char c : fraction) {
    ms += (c - '0') * scale;
    scale /= 10;
  }
  if (ms > kMaxBootWaitMs) return std::nullopt;
  return ms;
}

std::string check_set_value(const std::string& assignment, Options& o) {
  const size_t eq = assignment.find('=');
  if (eq == std::string::npos) return "--set " + assignment + ": expected KEY=VALUE";
  const std::string key = assignment.substr(0, eq);
  const std::optional<app::Key> index = app::find_setting(key);
  if (!index) return "--set: unknown key \"" + key + "\" (keys: " + std::string(app::kFileOrder) + ")";
  const std::string value = assignment.substr(eq + 1);
  // A line break would end the DTU command early and start another one.
  if (std::any_of(value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
    return "--set " + key + ": the value holds a control character (a line break or tab)";
  if (!platform::utf8_to_gbk(value)) return "--set " + key + ": the value has characters the DTU's text (GBK) cannot hold";
  o.sets.push_back({*index, value});
  return "";
}

// One option that takes a value (takes_value has said so).
std::string apply_option(const std::string& name, const std::string& value, Options& o) {
  if (name == "--port") {
    PortName port;
    if (!parse_port(value, port)) return "--port " + value + ": expected COM<n> or a device path";
    o.ports.push_back(value);
  } else if (name == "--baud") {
    const auto baud = parse_int(value);
    if (!baud || std::find(kLinkBaudRates.begin(), kLinkBaudRates.end(), *baud) == kLinkBaudRates.end())
      return "--baud " + value + ": expected one of 300 600 1200 2400 4800 9600 19200 38400 57600 115200";
    o.baud = *baud;
  } else if (name == "--boot-wait") {
    const auto ms = parse_seconds(value);
    if (!ms) return "--boot-wait " + value + ": expected seconds, such as 60 or 2.5";
    o.boot_wait_ms = *ms;
    o.boot_wait_text = value;
  } else if (name == "--save") {
    o.save_file = value;
  } else if (name == "--from") {
    o.from_file = value;
  } else if (name == "--set") {
    return check_set_value(value, o);
  }
  return "";
}

bool takes_value(const std::string& name, Command c) {
  if (name == "--port" || name == "--baud" || name == "--boot-wait") return true;
  if (c == Command::Read) return name == "--save";
  if (c == Command::Write) return name == "--from" || name == "--set";
  return false;
}

const char* command_name(Command c) {
  switch (c) {
    case Command::Ports: return "ports";
    case Command::Read: return "read";
    case Command::Write: return "write";
    case Command::Reset: return "reset";
    default: return "";
  }
}

}  // namespace

std::optional<platform::ConsoleEncoding> parse_encoding(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  if (lower == "utf-8" || lower == "utf8") return platform::ConsoleEncoding::Utf8;
  if (lower == "console") return platform::ConsoleEncoding::System;
  return std::nullopt;
}

bool parse_port(const std::string& text, PortName& port) {
  port = {};
  if (text.size() > 3 && (text[0] == 'C' || text[0] == 'c') && (text[1] == 'O' || text[1] == 'o') &&
      (text[2] == 'M' || text[2] == 'm') && all_digits(std::string_view(text).substr(3))) {
    const auto n = parse_int(std::string_view(text).substr(3));
    if (!n || *n < 1) return false;
    port.number = *n;
    port.com = *n <= 15 ? *n : 0;
    return true;
  }
  if (text.empty()) return false;
  port.device = text;
  return true;
}

std::string parse_options(const std::vector<std::string>& args, Options& o) {
  o = Options{};
  if (args.empty()) return "no command given";
  const std::string& first = args[0];
  if (first == "--help" || first == "-h") return o.command = Command::Help, "";
  if (first == "--version") return o.command = Command::Version, "";
  if (first == "ports") o.command = Command::Ports;
  else if (first == "read") o.command = Command::Read;
  else if (first == "write") o.command = Command::Write;
  else if (first == "reset") o.command = Command::Reset;
  else return "unknown command \"" + first + "\"";

  for (size_t i = 1; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> value;
    if (name == "--help" || name == "-h") return o.command = Command::Help, "";
    const size_t eq = name.find('=');
    if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
    }
    if (name == "--encoding") {
      if (!value) {
        if (i + 1 >= args.size()) return "--encoding needs a value";
        value = args[++i];
      }
      const std::optional<platform::ConsoleEncoding> encoding = parse_encoding(*value);
      if (!encoding) return "--encoding " + *value + ": expected utf-8 or console";
      o.encoding = *encoding;
      continue;
    }
    if (o.command != Command::Ports && name == "--json") {
      if (value) return "--json takes no value";
      o.json = true;
      continue;
    }
    if (o.command == Command::Ports || !takes_value(name, o.command))
      return std::string(name.rfind("-", 0) == 0 ? "unknown option " : "unexpected argument ") + name + " for " +
             command_name(o.command);
    if (!value) {
      if (i + 1 >= args.size()) return name + " needs a value";
      value = args[++i];
    }
    std::string error = apply_option(name, *value, o);
    if (!error.empty()) return error;
  }
  if (o.command == Command::Ports) return "";
  if (o.ports.empty()) return std::string(command_name(o.command)) + " needs --port";
  for (size_t i = 0; i < o.ports.size(); ++i)
    for (size_t j = 0; j < i; ++j)
      if (o.ports[i] == o.ports[j]) return "--port " + o.ports[i] + " is given twice";
  if (o.ports.size() > 1 && !o.save_file.empty()) return "--save takes one --port (each DTU needs its own file)";
  return "";
}

std::vector<std::string> child_arguments(const Options& o, const std::string& port) {
  // The parent reads its children's lines as UTF-8.
  std::vector<std::string> args = {command_name(o.command), "--port", port, "--baud", std::to_string(o.baud),
                                   "--boot-wait", o.boot_wait_text, "--encoding", "utf-8"};
  if (o.json) args.push_back("--json");
  if (!o.save_file.empty()) args.insert(args.end(), {"--save", o.save_file});
  if (!o.from_file.empty()) args.insert(args.end(), {"--from", o.from_file});
  for (const SetValue& s : o.sets)
    args.insert(args.end(), {"--set", std::string(app::setting(s.key).name) + "=" + s.value});
  return args;
}

std::string help_text() {
  return "Usage:\n"
         "  dtu-setup-cli ports [--encoding E]\n"
         "  dtu-setup-cli read  --port PORT [--baud N] [--boot-wait S] [--json] [--save FILE]\n"
         "  dtu-setup-cli write --port PORT [--baud N] [--boot-wait S] [--json] [--from FILE] [--set KEY=VALUE]...\n"
         "  dtu-setup-cli reset --port PORT [--baud N] [--boot-wait S] [--json]\n"
         "  dtu-setup-cli --help | --version\n"
         "\n"
         "Reads, writes and resets GPRS/CDMA DTUs from scripts, with the setup window's own logic,\n"
         "checks and messages. After opening the port the program waits for the DTU to be powered\n"
         "on (or restarted): the DTU offers its setting mode only while it boots.\n"
         "\n"
         "Commands:\n"
         "  ports   list the COM ports: on Windows those Windows lists, with their devices; on\n"
         "          Linux COM1 to COM15, the device each maps to, and whether it can be opened\n"
         "  read    print the thirteen settings as KEY=VALUE lines (ID IP PT DN AP TM UB HT OT\n"
         "          RV1 RV2 SS1 SS2); --save FILE also keeps them in the settings-file format\n"
         "  write   write all thirteen settings: the DTU's own (read first) or those of --from FILE,\n"
         "          changed by each --set; every value is checked before anything is sent\n"
         "  reset   restore the DTU's factory settings\n"
         "\n"
         "Options:\n"
         "  --port PORT      COM<n> (on Linux through the tool's port table; DTU_SETUP_COM<n>\n"
         "                   points one elsewhere) or a device path; give it several times to\n"
         "                   handle several DTUs at once (progress lines then start with the port)\n"
         "  --baud N         link baud rate, one of 300 600 1200 2400 4800 9600 19200 38400 57600\n"
         "                   115200 (default 9600)\n"
         "  --boot-wait S    seconds to wait for the DTU's boot banner (default 60)\n"
         "  --json           one JSON object per DTU on one line instead of KEY=VALUE lines\n"
         "  --save FILE      (read) write the settings to FILE, all or nothing\n"
         "  --from FILE      (write) start from the settings file FILE instead of the DTU's values\n"
         "  --set KEY=VALUE  (write) use VALUE for KEY; may be repeated\n"
         "  --encoding E     (every command) how output redirected to a file or pipe is encoded:\n"
         "                   console (the default) writes it as Windows' console programs do, in\n"
         "                   the console's code page (936 on a Chinese Windows, what PowerShell\n"
         "                   and cmd read it in), utf-8 always in UTF-8; on Linux always UTF-8\n"
         "\n"
         "Progress goes to standard error; results to standard output.\n"
         "\n"
         "Exit status: 0 all succeeded; 2 usage error; 3 a port could not be opened; 4 a value\n"
         "failed a field check (nothing was sent); 5 no banner within --boot-wait, or setting mode\n"
         "not entered; 6 the DTU did not answer a command; 7 the journal's database could not be\n"
         "reached or used (job and provision; nothing was done, no DTU touched); 130/143 stopped\n"
         "by Ctrl-C or SIGTERM (the port is closed and the step that was cut is named). With\n"
         "several ports, the highest status among them.\n";
}

}  // namespace cli
