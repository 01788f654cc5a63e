// The texts the simulated DTU sends: boot text, banner, confirmations and the listing
// (with the listing faults applied).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/dtu-sim/config.h"
#include "tools/dtu-sim/settings.h"

namespace dtusim {

std::string boot_text();
std::string boot_banner();    // the line that invites the setting-mode request
std::string enter_reply();
std::string ok_reply();
std::string error_reply();
std::string listing(const Settings& settings, const Faults& faults);
// Line `n` of the data a server sends through the DTU in data mode.
std::string server_line(uint64_t n);
// `count` noise bytes, all above 0x7F, so noise can neither end a line nor fake a reply.
std::string garbage(size_t count, uint32_t& seed);

}  // namespace dtusim
