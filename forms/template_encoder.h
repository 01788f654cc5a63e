// The inverse of the template loader: plain descriptions -> template segment bytes. The form
// generator builds the program's segment with it; tests build valid and corrupt segments.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace forms {

struct EventDescription {
  int32_t event_index = 0;
  int32_t handler_offset = -1;  // byte offset into the code base; -1 = no handler
};

struct UnitDescription {
  uint32_t id = 0;
  uint32_t data_type = 0;
  uint32_t redirect_id = 0;
  std::string name, remark;  // GBK
  int32_t left = 0, top = 0, width = 0, height = 0;
  uint32_t container_id = 0;
  std::vector<uint32_t> child_ids;
  std::vector<uint8_t> mouse_pointer;
  std::string tag;
  uint32_t state_flags = 0;
  uint32_t tab_order = 0;
  std::vector<EventDescription> events;
  std::vector<uint8_t> type_data;
};

struct FormDescription {
  uint32_t id = 0;
  uint32_t reserved_a = 0, reserved_b = 0;
  std::string text_a, text_b;
  std::vector<UnitDescription> units;  // units[0] is the form's own record
};

// One unit record, without its leading record length.
std::vector<uint8_t> encode_unit_record(const UnitDescription& unit);
std::vector<uint8_t> encode_template_segment(const std::vector<FormDescription>& forms);

// Little-endian appenders shared by the encoders.
void put_dword(std::vector<uint8_t>& out, uint32_t v);
void put_word(std::vector<uint8_t>& out, uint16_t v);
void put_bytes(std::vector<uint8_t>& out, const void* data, size_t n);
void put_counted(std::vector<uint8_t>& out, const std::string& s);
void put_counted(std::vector<uint8_t>& out, const std::vector<uint8_t>& b);
void put_zstring(std::vector<uint8_t>& out, const std::string& s);

}  // namespace forms
