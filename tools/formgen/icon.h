// The program icon, drawn procedurally: a small modem box with an antenna and signal arcs.
#pragma once

#include <cstdint>
#include <vector>

namespace formgen {

inline constexpr int kIconSize = 48;

// A complete .ico file: one 48 x 48 image, 32 bits per pixel with alpha, plus AND mask.
std::vector<uint8_t> make_icon();

}  // namespace formgen
