// The core support library (number 1): the standard unit types of the form runtime, the
// timer and serial port units, and the core command table.
#include <array>

#include "dtu_units_texts.h"
#include "forms/standard_types.h"
#include "runtime/helpers.h"
#include "runtime/library.h"
#include "runtime/library/commands.h"
#include "units/type_records.h"

namespace rt {
namespace {

constexpr int kCoreTypeSlots = 51;

// The type records live in other translation units, so the table is filled at start-up
// from their accessors (again when the runtime first notifies the library); empty slots
// stay zero.
UnitTypeRecord core_types[kCoreTypeSlots] = {};

void fill_core_types() {
  auto put = [](int type_number, const UnitTypeRecord* record) {
    if (record) core_types[type_number - 1] = *record;
  };
  for (int n : {forms::kTypeWindow, forms::kTypeEditBox, forms::kTypeGroupBox, forms::kTypeLabel,
                forms::kTypeButton, forms::kTypeComboBox}) {
    put(n, forms::standard_type_record(n));
  }
  put(units::kTypeTimer, units::timer_type_record());
  put(units::kTypeSerialPort, units::serial_port_type_record());
}

[[maybe_unused]] const bool core_types_filled = (fill_core_types(), true);

ServiceFn core_service = nullptr;

intptr_t notify_core(int code, intptr_t param1, intptr_t) {
  switch (code) {
    case 1:
      core_service = reinterpret_cast<ServiceFn>(param1);
      fill_core_types();
      return 0;
    case 2: case 10: case 11: case 12: case 13: return 0;
    default: return -1;
  }
}

}  // namespace

const LibraryDescriptor kCoreLibrary = {
    0x01312D65u,
    "5E0A93C2B7D14F68A1C03B9E2D7F4A16",
    {5, 0, 0x40, 3, 7, 3, 7},
    units_text::text_at(units_text::core_library_title),
    0xC0000001u,
    kCoreTypeSlots,
    core_types,
    kCoreCommandCount,
    kCoreCommandTable,
    notify_core,
};

}  // namespace rt
