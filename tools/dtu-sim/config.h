// How the simulated DTU behaves: line speed, boot window, reply delays and the faults it
// can be told to show. Filled from the command line or directly by tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "tools/dtu-sim/settings.h"

namespace dtusim {

// Each member is one selectable fault; unset/zero means the fault is off.
struct Faults {
  std::optional<std::string> no_answer;    // commands get no reply ("" = every command,
                                           // else only the named one); they still take effect
  uint32_t late_ms = 0;                    // added to every reply delay
  std::optional<uint32_t> split_gap_ms;    // replies go out in two halves this far apart
  std::optional<size_t> short_listing;     // the listing shows only this many setting lines
  std::optional<size_t> blank_line_after;  // an empty line follows this listing line (1..13)
  std::optional<Key> separator_in;         // this setting is listed as value "= x"
  bool port_zeros = false;                 // the port is listed with a leading zero
  std::optional<size_t> nul_at_line;       // a zero byte starts this listing line (0..14)
  size_t garbage = 0;                      // noise bytes in front of every output
  std::optional<uint32_t> slow_reset_ms;   // "%RST" is answered only after this long
  std::optional<Key> stale;                // this setting's set command is acknowledged but
                                           // the old value kept (a failing memory cell)
};

struct Config {
  uint32_t baud = 9600;            // 10 bits per byte on the line
  // Off: the DTU takes up whatever rate the tool sets on the line (where the face can see
  // it). On: it talks only at `baud`, and at any other rate each side reads noise.
  bool fixed_baud = false;
  uint32_t boot_window_ms = 3000;  // how long after the banner the request is accepted
  uint32_t reply_delay_ms = 50;
  // In data mode the DTU forwards what its server sends: on, a server that never pauses,
  // so text lines follow each other at line speed until the next boot or the line closes.
  bool stream = false;
  std::map<std::string, uint32_t> command_delay_ms;  // by command name, overrides reply_delay_ms
  Faults faults;
};

// Command names used by delays and faults: "ENTER" (the setting-mode request), "LIST",
// "RST", and the thirteen setting keys. Returns "" for a line that is no known command.
std::string command_name(std::string_view line);
// Accepts a command name as the user may type it ("list", "%LIST", "ID", "%ID=").
std::optional<std::string> normalise_command_name(std::string_view text);

// Parse "NAME[=ARG]" / "CMD=MS"; return an error message, or "" on success.
std::string add_fault(Faults& faults, std::string_view text);
std::string add_command_delay(Config& config, std::string_view text);

// One line per fault, for --help.
std::string_view fault_help();

}  // namespace dtusim
