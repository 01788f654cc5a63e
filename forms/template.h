// The form template as loaded from the program's template segment: the forms with their
// unit records. A form keeps its unit table block as one contiguous buffer; each record's
// type data is a view into that buffer, so a Form must not be copied (moving is fine: the
// buffer moves with it).
//
// Segment layout (all integers little-endian dwords unless said):
//   form table: byte length L (8 per form), L/8 form ids, L/8 placeholder dwords;
//   per form: reserved A, reserved B, two counted strings, unit count U, and a counted block
//   holding U unit ids, U entry offsets (relative to the data area after them), the data
//   area. Each entry is a record length followed by the unit record.
//
// Menu items (unit ids whose top byte is 0x26) use a different, shorter record. The unit
// model has no menus, so a template that contains one is refused rather than half-read.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "runtime/event.h"

namespace forms {

inline constexpr uint32_t kFormOwnUnitId = 0x06010000;
inline constexpr uint8_t kMenuItemIdTop = 0x26;

// Unit data types (library number * 65536 + type number).
namespace dtype {
inline constexpr uint32_t kWindow = 0x00010001, kEditBox = 0x00010005, kGroupBox = 0x00010009,
                          kLabel = 0x0001000A, kButton = 0x0001000B, kComboBox = 0x0001000E,
                          kTimer = 0x00010020, kSerialPort = 0x00010027, kIpEditBox = 0x00030007;
}

// State flag bits of a unit record.
inline constexpr uint32_t kStateVisible = 0x1, kStateDisabled = 0x2, kStateTabStop = 0x4;

struct EventBinding {
  int32_t event_index = 0;
  rt::EventHandler handler = nullptr;  // null: the entry exists but has no handler
};

struct UnitRecord {
  uint32_t id = 0;
  uint32_t data_type = 0;
  uint32_t redirect_id = 0;  // 0 = none; else the unit whose event table serves this one
  std::string name;          // GBK; empty for the form's own record
  std::string remark;        // GBK
  int32_t left = 0, top = 0, width = 0, height = 0;
  uint32_t container_id = 0;  // 0 = the form
  std::vector<uint32_t> child_ids;
  std::vector<uint8_t> mouse_pointer;  // pointer data; a zero dword (or nothing) = the standard arrow
  std::string tag;                     // GBK
  uint32_t state_flags = 0;
  uint32_t tab_order = 0;
  std::vector<EventBinding> events;
  std::span<const uint8_t> type_data;  // into Form::unit_table; may be empty

  bool visible() const { return state_flags & kStateVisible; }
  bool disabled() const { return state_flags & kStateDisabled; }
  bool tab_stop() const { return state_flags & kStateTabStop; }
  // The handler bound to an event index, or null.
  rt::EventHandler handler_for(int32_t event_index) const;
  // Whether the table has an entry for the index at all (with or without handler).
  bool has_event(int32_t event_index) const;
};

struct Form {
  uint32_t id = 0;
  uint32_t reserved_a = 0, reserved_b = 0;
  std::string text_a, text_b;        // kept, not interpreted
  std::vector<uint8_t> unit_table;   // the whole unit table block
  std::vector<UnitRecord> units;     // template order; units[0] is the form's own record

  Form() = default;
  Form(Form&&) = default;
  Form& operator=(Form&&) = default;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  UnitRecord* find(uint32_t unit_id);  // 0 = the form's own unit
  const UnitRecord* find(uint32_t unit_id) const;
};

// Parses a whole template segment. Handler offsets are resolved against `code_base`:
// -1 means no handler; any other offset must be a multiple of sizeof(rt::EventHandler) that
// indexes an existing entry. Any truncation or inconsistency returns false and leaves
// `forms` empty; nothing is read outside `segment`.
bool load_template_segment(std::span<const uint8_t> segment, const rt::CodeBase* code_base,
                           std::vector<Form>& forms);

}  // namespace forms
