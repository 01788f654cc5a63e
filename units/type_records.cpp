#include "units/type_records.h"

#include "dtu_units_texts.h"
#include "forms/unit.h"
#include "units/serial_port_unit.h"
#include "units/timer_unit.h"

namespace units {
namespace {

using rt::PropertyDescriptor;
namespace vt = rt::vtype;

// Names and descriptions of properties are empty in this system; only the value type
// codes and flags matter.
constexpr PropertyDescriptor common(uint16_t type) { return {"", "", "", type, 0xE000, nullptr}; }
constexpr PropertyDescriptor own(uint16_t type) { return {"", "", "", type, 0x8000, nullptr}; }

#define DTU_COMMON_PROPERTIES                                                                   \
  common(vt::kInt), common(vt::kInt), common(vt::kInt), common(vt::kInt), common(vt::kText), \
      common(vt::kLogical), common(vt::kLogical), common(vt::kBytes)

constexpr PropertyDescriptor kTimerProperties[9] = {DTU_COMMON_PROPERTIES, own(vt::kInt)};

constexpr PropertyDescriptor kSerialPortProperties[20] = {
    DTU_COMMON_PROPERTIES,
    own(vt::kInt),       // PortNumber
    own(vt::kInt),       // BaudRate
    own(vt::kInt),       // DataBits
    own(vt::kInt),       // StopBits
    own(vt::kLogical),   // ParityCheck
    own(vt::kText),      // EventChar
    own(vt::kInt),       // Timeout
    own(vt::kLogical),   // OpenOnCreate
    own(vt::kPickList),  // Parity
    own(vt::kPickList),  // FlowControl
    own(vt::kPickList),  // RtsControl
    own(vt::kPickList),  // DtrControl
};
#undef DTU_COMMON_PROPERTIES

constexpr uint32_t kWindowlessWithEvents = 0x80008040;

}  // namespace

const rt::UnitTypeRecord* timer_type_record() {
  static const forms::UnitTypeImpl impl{&TimerUnit::create};
  static const rt::UnitTypeRecord record{units_text::text_at(units_text::timer_name), "Timer", "",
                                         kWindowlessWithEvents, 0, 1, 9, kTimerProperties, &impl};
  return &record;
}

const rt::UnitTypeRecord* serial_port_type_record() {
  static const forms::UnitTypeImpl impl{&SerialPortUnit::create};
  static const rt::UnitTypeRecord record{units_text::text_at(units_text::serial_port_name), "SerialPort", "",
                                         kWindowlessWithEvents, 0, 2, 20, kSerialPortProperties, &impl};
  return &record;
}

}  // namespace units
