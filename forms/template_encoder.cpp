// Writes template segments in exactly the layout the loader reads.
#include "forms/template_encoder.h"

namespace forms {

void put_dword(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void put_word(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void put_bytes(std::vector<uint8_t>& out, const void* data, size_t n) {
  const auto* p = static_cast<const uint8_t*>(data);
  out.insert(out.end(), p, p + n);
}

void put_counted(std::vector<uint8_t>& out, const std::string& s) {
  put_dword(out, static_cast<uint32_t>(s.size()));
  put_bytes(out, s.data(), s.size());
}

void put_counted(std::vector<uint8_t>& out, const std::vector<uint8_t>& b) {
  put_dword(out, static_cast<uint32_t>(b.size()));
  put_bytes(out, b.data(), b.size());
}

void put_zstring(std::vector<uint8_t>& out, const std::string& s) {
  put_bytes(out, s.data(), s.size());
  out.push_back(0);
}

std::vector<uint8_t> encode_unit_record(const UnitDescription& u) {
  std::vector<uint8_t> out;
  put_dword(out, u.data_type);
  put_dword(out, u.redirect_id);
  for (int i = 0; i < 4; ++i) put_dword(out, 0);
  put_zstring(out, u.name);
  put_zstring(out, u.remark);
  put_dword(out, 0);  // object slot, filled at run time
  for (int32_t v : {u.left, u.top, u.width, u.height}) put_dword(out, static_cast<uint32_t>(v));
  put_dword(out, 0);
  put_dword(out, u.container_id);
  put_dword(out, static_cast<uint32_t>(u.child_ids.size()));
  for (uint32_t c : u.child_ids) put_dword(out, c);
  put_counted(out, u.mouse_pointer);
  put_zstring(out, u.tag);
  put_dword(out, 0);
  put_dword(out, u.state_flags);
  put_dword(out, u.tab_order);
  put_dword(out, static_cast<uint32_t>(u.events.size()));
  for (const auto& e : u.events) {
    put_dword(out, static_cast<uint32_t>(e.event_index));
    put_dword(out, static_cast<uint32_t>(e.handler_offset));
  }
  for (int i = 0; i < 5; ++i) put_dword(out, 0);
  put_bytes(out, u.type_data.data(), u.type_data.size());
  return out;
}

namespace {

std::vector<uint8_t> encode_unit_table(const FormDescription& f) {
  std::vector<uint8_t> ids, offsets, data;
  for (const auto& u : f.units) {
    put_dword(ids, u.id);
    put_dword(offsets, static_cast<uint32_t>(data.size()));
    put_counted(data, encode_unit_record(u));
  }
  ids.insert(ids.end(), offsets.begin(), offsets.end());
  ids.insert(ids.end(), data.begin(), data.end());
  return ids;
}

}  // namespace

std::vector<uint8_t> encode_template_segment(const std::vector<FormDescription>& forms) {
  std::vector<uint8_t> out;
  put_dword(out, static_cast<uint32_t>(8 * forms.size()));
  for (const auto& f : forms) put_dword(out, f.id);
  for (size_t i = 0; i < forms.size(); ++i) put_dword(out, 0);
  for (const auto& f : forms) {
    put_dword(out, f.reserved_a);
    put_dword(out, f.reserved_b);
    put_counted(out, f.text_a);
    put_counted(out, f.text_b);
    put_dword(out, static_cast<uint32_t>(f.units.size()));
    put_counted(out, encode_unit_table(f));
  }
  return out;
}

}  // namespace forms
