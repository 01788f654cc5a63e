#include "app/globals.h"

#include <cstring>

#include "app/state_record.h"

namespace app {
namespace {

constexpr uint32_t kByteArrayTag = rt::kByte | rt::kArrayBit;

uint32_t count_of(const uint8_t* array) {
  uint32_t n = 0;
  if (array) std::memcpy(&n, array + 4, 4);
  return n;
}

}  // namespace

Globals& globals() {
  static Globals g;
  return g;
}

uint8_t* new_byte_array() {
  auto* block = static_cast<uint8_t*>(rt::helpers().alloc(8));
  const uint32_t header[2] = {1, 0};
  std::memcpy(block, header, 8);
  return block;
}

void append_byte(uint8_t*& array, uint8_t byte) {
  // Make sure the array is ours to change before growing it in place.
  rt::helpers().startup_service(rt::startup_op::kMakeArrayWritable, 1, reinterpret_cast<intptr_t>(&array));
  uint32_t n = count_of(array);
  array = static_cast<uint8_t*>(rt::helpers().realloc(array, 8 + n + 1));
  array[8 + n] = byte;
  ++n;
  std::memcpy(array + 4, &n, 4);
}

uint8_t* copy_byte_array(const uint8_t* array) {
  uint32_t n = count_of(array);
  auto* block = static_cast<uint8_t*>(rt::helpers().alloc(8 + n));
  const uint32_t header[2] = {1, n};
  std::memcpy(block, header, 8);
  if (n) std::memcpy(block + 8, array + 8, n);
  return block;
}

void free_byte_array(uint8_t*& array) {
  rt::helpers().free(array);
  array = nullptr;
}

rt::Value byte_array_arg(const uint8_t* array) {
  rt::Value v;
  v.set_pointer(array, kByteArrayTag);
  return v;
}

HeapText byte_array_text(const uint8_t* array) { return call_text(rt::kToText, {byte_array_arg(array)}); }

void create_globals() {
  Globals& g = globals();
  reset_state_record();
  g.reply = new_byte_array();
  g.rx_pending = new_byte_array();
}

void end_of_program() {
  Globals& g = globals();
  free_byte_array(g.reply);
  free_byte_array(g.rx_pending);
}

void set_operation_buttons(bool enabled) {
  for (UnitId b : {unit::kReadButton, unit::kSaveButton, unit::kWriteButton, unit::kResetButton})
    set_disabled(b, !enabled);
  record_setting_mode(enabled);
}

}  // namespace app
