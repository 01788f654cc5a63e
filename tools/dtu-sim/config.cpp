#include "tools/dtu-sim/config.h"

#include <cctype>
#include <charconv>

namespace dtusim {

namespace {

constexpr std::string_view kRequest = "%%%%%%%%%%";

std::optional<uint64_t> parse_uint(std::string_view s, uint64_t max) {
  uint64_t n = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size() || n > max) return std::nullopt;
  return n;
}

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// Splits "NAME=ARG" into its two halves; `has_arg` tells "NAME=" from "NAME".
struct NameArg {
  std::string_view name, arg;
  bool has_arg = false;
};

NameArg split_name_arg(std::string_view text) {
  size_t eq = text.find('=');
  if (eq == std::string_view::npos) return {text, {}, false};
  return {text.substr(0, eq), text.substr(eq + 1), true};
}

std::string fault_with_number(std::optional<uint32_t>& slot, const NameArg& s, uint32_t dflt) {
  if (!s.has_arg) {
    slot = dflt;
    return "";
  }
  auto n = parse_uint(s.arg, 600000);
  if (!n) return "bad time in fault '" + std::string(s.name) + "'";
  slot = static_cast<uint32_t>(*n);
  return "";
}

std::string fault_with_line(std::optional<size_t>& slot, const NameArg& s, size_t dflt, size_t lo,
                            size_t hi) {
  if (!s.has_arg) {
    slot = dflt;
    return "";
  }
  auto n = parse_uint(s.arg, hi);
  if (!n || *n < lo) return "bad line number in fault '" + std::string(s.name) + "'";
  slot = static_cast<size_t>(*n);
  return "";
}

}  // namespace

std::string command_name(std::string_view line) {
  if (line == kRequest) return "ENTER";
  if (line == "%LIST") return "LIST";
  if (line == "%RST") return "RST";
  if (line.size() < 2 || line[0] != '%') return "";
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return "";
  auto key = key_from_name(line.substr(1, eq - 1));
  return key ? std::string(key_name(*key)) : "";
}

std::optional<std::string> normalise_command_name(std::string_view text) {
  std::string name = upper(text);
  if (!name.empty() && name.front() == '%') name.erase(0, 1);
  if (!name.empty() && name.back() == '=') name.pop_back();
  if (name == "ENTER" || name == "LIST" || name == "RST" || key_from_name(name)) return name;
  return std::nullopt;
}

std::string add_fault(Faults& f, std::string_view text) {
  NameArg s = split_name_arg(text);
  std::string name = upper(s.name);
  for (char& c : name)
    if (c == '_') c = '-';
  if (name == "NO-ANSWER") {
    if (!s.has_arg) {
      f.no_answer = "";
      return "";
    }
    auto cmd = normalise_command_name(s.arg);
    if (!cmd) return "unknown command '" + std::string(s.arg) + "' in fault no-answer";
    f.no_answer = *cmd;
    return "";
  }
  if (name == "LATE") {
    std::optional<uint32_t> ms;
    std::string err = fault_with_number(ms, s, 5000);
    if (err.empty()) f.late_ms = *ms;
    return err;
  }
  if (name == "SPLIT") return fault_with_number(f.split_gap_ms, s, 600);
  if (name == "SLOW-RESET") return fault_with_number(f.slow_reset_ms, s, 19000);
  if (name == "SHORT-LIST") return fault_with_line(f.short_listing, s, 10, 0, kSettingCount);
  if (name == "BLANK-LINE") return fault_with_line(f.blank_line_after, s, 3, 1, kSettingCount);
  if (name == "NUL") return fault_with_line(f.nul_at_line, s, 5, 0, kSettingCount + 1);
  if (name == "PORT-ZEROS") {
    if (s.has_arg) return "fault port-zeros takes no argument";
    f.port_zeros = true;
    return "";
  }
  if (name == "STALE") {
    auto key = s.has_arg ? key_from_name(upper(s.arg)) : std::optional<Key>(Key::SS2);
    if (!key) return "unknown setting '" + std::string(s.arg) + "' in fault stale";
    f.stale = *key;
    return "";
  }
  if (name == "GARBAGE") {
    if (!s.has_arg) {
      f.garbage = 8;
      return "";
    }
    auto n = parse_uint(s.arg, 4096);
    if (!n) return "bad byte count in fault garbage";
    f.garbage = static_cast<size_t>(*n);
    return "";
  }
  if (name == "SEPARATOR") {
    auto key = s.has_arg ? key_from_name(upper(s.arg)) : std::optional<Key>(Key::DN);
    if (!key) return "unknown setting '" + std::string(s.arg) + "' in fault separator";
    f.separator_in = *key;
    return "";
  }
  return "unknown fault '" + std::string(s.name) + "'";
}

std::string add_command_delay(Config& config, std::string_view text) {
  NameArg s = split_name_arg(text);
  // "%ID=" as a name leaves its "=" in the name half: "%ID==300".
  if (s.has_arg && !s.arg.empty() && s.arg.front() == '=') {
    s.name = text.substr(0, s.name.size() + 1);
    s.arg.remove_prefix(1);
  }
  auto cmd = normalise_command_name(s.name);
  if (!cmd) return "unknown command '" + std::string(s.name) + "' in --delay";
  auto ms = s.has_arg ? parse_uint(s.arg, 600000) : std::nullopt;
  if (!ms) return "--delay needs CMD=MS";
  config.command_delay_ms[*cmd] = static_cast<uint32_t>(*ms);
  return "";
}

std::string_view fault_help() {
  return "  no-answer[=CMD]   commands (or only CMD) get no reply; they still take effect\n"
         "  late[=MS]         every reply comes MS later (default 5000)\n"
         "  split[=MS]        every reply goes out in two halves MS apart (default 600)\n"
         "  short-list[=N]    the listing shows only the first N setting lines (default 10)\n"
         "  blank-line[=N]    an empty line follows listing line N (default 3)\n"
         "  separator[=KEY]   the value of KEY is listed followed by \"= x\" (default DN)\n"
         "  port-zeros        the port is listed with a leading zero (8080 as 08080)\n"
         "  nul[=N]           a zero byte starts listing line N, 0 = first line (default 5)\n"
         "  garbage[=N]       N noise bytes precede every output (default 8)\n"
         "  slow-reset[=MS]   \"%RST\" is answered only after MS (default 19000)\n"
         "  stale[=KEY]       KEY's set command is answered OK but the old value kept (default SS2)\n"
         "  CMD is ENTER (the setting-mode request), LIST, RST or a setting key such as ID.\n";
}

}  // namespace dtusim
