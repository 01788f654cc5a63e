// The core support library (number 1): the standard unit types of the form runtime, the
// timer and serial port units, and the core command table with this layer's port commands.
#include "units/core_library.h"

#include <initializer_list>

#include "dtu_units_texts.h"
#include "forms/standard_types.h"
#include "runtime/helpers.h"
#include "runtime/library/core_command_rows.h"
#include "units/port_commands.h"
#include "units/type_records.h"

namespace units {
namespace {

constexpr int kCoreTypeSlots = 51;

constexpr rt::CoreCommandRows kCommands = rt::core_command_rows({cmd_close_port, cmd_open_port, cmd_send_data});
static_assert(rt::rows_in_order(kCommands.rows));

// The type records live in other translation units, so the table is filled at start-up
// from their accessors (again when the runtime first notifies the library); empty slots
// stay zero.
rt::UnitTypeRecord core_types[kCoreTypeSlots] = {};

void fill_core_types() {
  auto put = [](int type_number, const rt::UnitTypeRecord* record) {
    if (record) core_types[type_number - 1] = *record;
  };
  for (int n : {forms::kTypeWindow, forms::kTypeEditBox, forms::kTypeGroupBox, forms::kTypeLabel,
                forms::kTypeButton, forms::kTypeComboBox}) {
    put(n, forms::standard_type_record(n));
  }
  put(kTypeTimer, timer_type_record());
  put(kTypeSerialPort, serial_port_type_record());
}

[[maybe_unused]] const bool core_types_filled = (fill_core_types(), true);

rt::ServiceFn core_service = nullptr;

intptr_t notify_core(int code, intptr_t param1, intptr_t) {
  if (code == rt::notify::kServiceFunction) {
    core_service = reinterpret_cast<rt::ServiceFn>(param1);
    fill_core_types();
    return 0;
  }
  for (int quiet : rt::notify::kCoreQuiet)
    if (code == quiet) return 0;
  return rt::notify::kNotHandled;
}

const rt::LibraryDescriptor kCoreLibrary = {
    0x01312D65u,
    "5E0A93C2B7D14F68A1C03B9E2D7F4A16",
    {5, 0, 0x40, 3, 7, 3, 7},
    units_text::text_at(units_text::core_library_title),
    0xC0000001u,
    kCoreTypeSlots,
    core_types,
    rt::kCoreCommandCount,
    kCommands.rows,
    notify_core,
};

}  // namespace

const rt::LibraryDescriptor& core_library() { return kCoreLibrary; }

}  // namespace units
