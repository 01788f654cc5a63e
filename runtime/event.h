// The plain event record a unit builds when it raises an event, and the shape of an
// application event handler.
#pragma once

#include <cstdint>

namespace rt {

// An application event handler: the record's arguments in record order; the result is
// stored in the record (the close-requested event reads it).
using EventHandler = int32_t (*)(const int32_t* args, int arg_count);

struct EventRecord {
  uint32_t form_id = 0;
  uint32_t unit_id = 0;  // 0 = the form's own unit
  int32_t event_index = 0;
  uint32_t arg_count = 0;  // 0..5
  int32_t args[5] = {};
  uint32_t handled = 0;  // set to 1 when a handler ran
  int32_t result = 0;    // the handler's return value
};

// Common event indices.
inline constexpr int32_t kEventFocusGained = -7;
inline constexpr int32_t kEventFocusLost = -8;

}  // namespace rt

namespace rt {
// The code base of a program: its handler table. Template handler offsets are byte offsets
// into `handlers` (offset = index * sizeof(EventHandler)); an offset beyond `count` entries
// makes the template inconsistent.
struct CodeBase {
  uint32_t count;
  const EventHandler* handlers;
};
}  // namespace rt
