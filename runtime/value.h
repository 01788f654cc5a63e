// The 12-byte value record in which every library-command argument and result travels,
// the type tags, and the layouts of the text, binary and array blocks.
//
// Pointers: the record keeps the 12-byte layout (value low, value high, tag). A pointer does
// not fit in one dword on a 64-bit machine, so pointer-carrying values (Text, Binary,
// arrays, SubroutinePtr, variable addresses) keep the pointer's low half in value low and
// its high half in value high. This is the only place that knows it: use set_pointer() and
// pointer(), never the halves.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace rt {

enum Tag : uint32_t {
  kNone = 0,
  kLogical = 0x80000002u,
  kDateTime = 0x80000003u,
  kText = 0x80000004u,
  kBinary = 0x80000005u,
  kSubroutinePtr = 0x80000006u,
  kEightByte = 0x80000008u,
  kByte = 0x80000101u,
  kShort = 0x80000201u,
  kInt = 0x80000301u,
  kLong = 0x80000401u,
  kFloat = 0x80000501u,
  kDouble = 0x80000601u,
};
inline constexpr uint32_t kArrayBit = 0x20000000u;

inline constexpr bool is_array(uint32_t tag) { return (tag >> 30) == 2 && (tag & kArrayBit) != 0; }
inline constexpr uint32_t element_tag(uint32_t tag) { return tag & ~kArrayBit; }
// A basic tag: top bits 10 and not an array.
inline constexpr bool is_basic(uint32_t tag) { return (tag >> 30) == 2 && (tag & kArrayBit) == 0; }
inline constexpr bool is_record_type(uint32_t tag) { return (tag >> 30) == 1; }
inline constexpr bool is_unit_type(uint32_t tag) { return tag != 0 && ((tag >> 30) == 0 || (tag >> 30) == 3); }
// The numeric types are the basic tags whose low byte is 0x01 (Byte .. Double).
inline constexpr bool is_numeric(uint32_t tag) { return is_basic(tag) && (tag & 0xFF) == 0x01; }
inline constexpr bool holds_pointer(uint32_t tag) {
  return is_array(tag) || tag == kText || tag == kBinary || tag == kSubroutinePtr;
}

// Size of one stored value of a basic tag: numeric sizes, 4 for Logical, 8 for DateTime,
// and a pointer's size for Text, Binary and SubroutinePtr. 0 for anything else.
inline constexpr size_t value_size(uint32_t tag) {
  switch (tag) {
    case kByte: return 1;
    case kShort: return 2;
    case kInt: case kFloat: case kLogical: return 4;
    case kLong: case kDouble: case kDateTime: case kEightByte: return 8;
    case kText: case kBinary: case kSubroutinePtr: return sizeof(void*);
    default: return 0;
  }
}

struct Value {
  uint32_t low = 0;
  uint32_t high = 0;
  uint32_t tag = kNone;

  // ---- setters write tag and payload together
  void set_none() { *this = Value{}; }
  void set_int(int32_t v) { low = static_cast<uint32_t>(v); high = 0; tag = kInt; }
  void set_logical(bool v) { low = v ? 1 : 0; high = 0; tag = kLogical; }
  void set_byte(uint8_t v) { low = v; high = 0; tag = kByte; }
  void set_short(int16_t v) { low = static_cast<uint32_t>(static_cast<int32_t>(v)); high = 0; tag = kShort; }
  void set_long(int64_t v) { set_bits64(static_cast<uint64_t>(v), kLong); }
  void set_double(double v) { uint64_t b; std::memcpy(&b, &v, 8); set_bits64(b, kDouble); }
  void set_datetime(double v) { set_double(v); tag = kDateTime; }
  void set_float(float v) { uint32_t b; std::memcpy(&b, &v, 4); low = b; high = 0; tag = kFloat; }
  void set_pointer(const void* p, uint32_t pointer_tag) {
    set_bits64(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)), pointer_tag);
  }
  void set_text(const char* p) { set_pointer(p, kText); }
  void set_binary(const uint8_t* p) { set_pointer(p, kBinary); }
  void set_unit(uint32_t form_id, uint32_t unit_id, uint32_t data_type) { low = form_id; high = unit_id; tag = data_type; }

  // ---- accessors check the tag
  int32_t as_int() const { assert(tag == kInt); return static_cast<int32_t>(low); }
  bool as_logical() const { assert(tag == kLogical); return low != 0; }
  uint8_t as_byte() const { assert(tag == kByte); return static_cast<uint8_t>(low); }
  int16_t as_short() const { assert(tag == kShort); return static_cast<int16_t>(low); }
  int64_t as_long() const { assert(tag == kLong); return static_cast<int64_t>(bits64()); }
  double as_double() const { assert(tag == kDouble || tag == kDateTime); double d; uint64_t b = bits64(); std::memcpy(&d, &b, 8); return d; }
  float as_float() const { assert(tag == kFloat); float f; std::memcpy(&f, &low, 4); return f; }
  void* pointer() const { assert(holds_pointer(tag) || tag == kNone || is_basic(tag)); return reinterpret_cast<void*>(static_cast<uintptr_t>(bits64())); }
  const char* as_text() const { assert(tag == kText); return static_cast<const char*>(pointer()); }
  const uint8_t* as_binary() const { assert(tag == kBinary); return static_cast<const uint8_t*>(pointer()); }
  uint32_t form_id() const { assert(is_unit_type(tag)); return low; }
  uint32_t unit_id() const { assert(is_unit_type(tag)); return high; }

  // The value's 64 bits (value low first, little-endian), whatever the tag.
  uint64_t bits64() const { return static_cast<uint64_t>(low) | (static_cast<uint64_t>(high) << 32); }
  void set_bits64(uint64_t b, uint32_t t) { low = static_cast<uint32_t>(b); high = static_cast<uint32_t>(b >> 32); tag = t; }
};
static_assert(sizeof(Value) == 12, "the value record is 12 bytes");

// ---- blocks
// Binary block: dword 1, dword byte count n, n bytes. An empty binary is null, never n = 0.
struct BinaryHeader {
  uint32_t one;
  uint32_t size;
};
inline uint32_t binary_size(const uint8_t* block) {
  if (!block) return 0;
  uint32_t n;
  std::memcpy(&n, block + 4, 4);
  return n;
}
inline const uint8_t* binary_bytes(const uint8_t* block) { return block ? block + 8 : nullptr; }

// Array block: dword dimension count d, d dword sizes, then the elements packed.
// Text and Binary elements are owned pointers (pointer-sized on this machine).
inline uint32_t array_dimensions(const uint8_t* block) {
  uint32_t d = 0;
  if (block) std::memcpy(&d, block, 4);
  return d;
}
inline uint32_t array_count(const uint8_t* block) {
  uint32_t d = array_dimensions(block), count = 1;
  for (uint32_t i = 0; i < d; ++i) {
    uint32_t s;
    std::memcpy(&s, block + 4 + 4 * i, 4);
    count *= s;
  }
  return d == 0 ? 0 : count;
}
inline uint8_t* array_elements(uint8_t* block) { return block + 4 + 4 * array_dimensions(block); }
inline const uint8_t* array_elements(const uint8_t* block) { return block + 4 + 4 * array_dimensions(block); }

}  // namespace rt
