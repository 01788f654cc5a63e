// The bytes that send_data puts on the line for each kind of data argument.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "runtime/value.h"

namespace units {

// Text: its bytes without the terminating zero; Binary: the block's bytes; numbers, Logical,
// SubroutinePtr, DateTime and the 8-byte kind: the value's own little-endian bytes (copied
// into `scratch`). None for anything else (arrays, unit references, a missing argument).
std::optional<std::span<const uint8_t>> send_data_bytes(const rt::Value& arg, std::array<uint8_t, 8>& scratch);

}  // namespace units
