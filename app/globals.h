// The four globals every handler shares, the byte arrays that carry received bursts, and
// the operation buttons' enablement.
#pragma once

#include <cstdint>

#include "app/runtime_calls.h"

namespace app {

struct Globals {
  int32_t connected = 0;       // 1 while the tool holds the port open for the user
  uint8_t* reply = nullptr;    // the newest complete burst (byte array block)
  uint8_t* rx_pending = nullptr;  // bytes of the burst being received
  int32_t check_passed = 0;    // outcome of the most recent field check
};

Globals& globals();

// Byte arrays in the runtime heap: {1, count, bytes}.
uint8_t* new_byte_array();
void append_byte(uint8_t*& array, uint8_t byte);
uint8_t* copy_byte_array(const uint8_t* array);
void free_byte_array(uint8_t*& array);
// The array as text: its bytes up to the first zero byte.
HeapText byte_array_text(const uint8_t* array);
rt::Value byte_array_arg(const uint8_t* array);

// The program's start: globals, the end-of-program routine; and its end.
void create_globals();
void end_of_program();

// Read, write, reset and save: enabled together, only in setting mode.
void set_operation_buttons(bool enabled);

}  // namespace app
