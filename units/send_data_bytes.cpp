#include "units/send_data_bytes.h"

#include <cstring>

namespace units {
namespace {

size_t scalar_size(uint32_t tag) {
  switch (tag) {
    case rt::kByte: return 1;
    case rt::kShort: return 2;
    case rt::kInt: case rt::kFloat: case rt::kLogical: case rt::kSubroutinePtr: return 4;
    case rt::kLong: case rt::kDouble: case rt::kDateTime: case rt::kEightByte: return 8;
    default: return 0;
  }
}

}  // namespace

std::optional<std::span<const uint8_t>> send_data_bytes(const rt::Value& arg, std::array<uint8_t, 8>& scratch) {
  if (arg.tag == rt::kText) {
    const char* text = arg.as_text();
    if (!text) return std::span<const uint8_t>{};
    return std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text), std::strlen(text));
  }
  if (arg.tag == rt::kBinary) {
    const uint8_t* block = arg.as_binary();
    return std::span<const uint8_t>(rt::binary_bytes(block), rt::binary_size(block));
  }
  const size_t n = scalar_size(arg.tag);
  if (n == 0) return std::nullopt;
  const uint64_t bits = arg.bits64();
  for (size_t i = 0; i < n; ++i) scratch[i] = static_cast<uint8_t>(bits >> (8 * i));
  return std::span<const uint8_t>(scratch.data(), n);
}

}  // namespace units
