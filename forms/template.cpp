// Loader of the form template segment. Every count and offset is checked against the bytes
// actually present before it is used, so a corrupt segment is refused, never over-read.
#include "forms/template.h"

#include <algorithm>
#include <unordered_set>

#include "forms/byte_reader.h"

namespace forms {

rt::EventHandler UnitRecord::handler_for(int32_t event_index) const {
  for (const auto& e : events)
    if (e.event_index == event_index) return e.handler;
  return nullptr;
}

bool UnitRecord::has_event(int32_t event_index) const {
  return std::any_of(events.begin(), events.end(),
                     [&](const EventBinding& e) { return e.event_index == event_index; });
}

UnitRecord* Form::find(uint32_t unit_id) {
  if (unit_id == 0) return units.empty() ? nullptr : &units[0];
  for (auto& u : units)
    if (u.id == unit_id) return &u;
  return nullptr;
}

const UnitRecord* Form::find(uint32_t unit_id) const { return const_cast<Form*>(this)->find(unit_id); }

namespace {

constexpr uint32_t kNoHandler = 0xFFFFFFFF;

bool resolve_handler(uint32_t offset, const rt::CodeBase* code_base, rt::EventHandler& out) {
  if (offset == kNoHandler) {
    out = nullptr;
    return true;
  }
  constexpr uint32_t size = sizeof(rt::EventHandler);
  if (!code_base || offset % size != 0 || offset / size >= code_base->count) return false;
  out = code_base->handlers[offset / size];
  return true;
}

bool read_events(ByteReader& r, const rt::CodeBase* code_base, std::vector<EventBinding>& out) {
  uint32_t count;
  if (!r.dword(count) || count > r.remaining() / 8) return false;
  out.resize(count);
  for (auto& e : out) {
    uint32_t offset;
    if (!r.dword(e.event_index) || !r.dword(offset) || !resolve_handler(offset, code_base, e.handler))
      return false;
  }
  return true;
}

// One unit record (after its length dword); `record` is exactly the record's bytes.
bool read_unit_record(std::span<const uint8_t> record, const rt::CodeBase* code_base, UnitRecord& u) {
  ByteReader r(record);
  uint32_t reserved, object_slot, child_count;
  bool ok = r.dword(u.data_type) && r.dword(u.redirect_id) && r.skip(16) && r.zstring(u.name) &&
            r.zstring(u.remark) && r.dword(object_slot) && r.dword(u.left) && r.dword(u.top) &&
            r.dword(u.width) && r.dword(u.height) && r.dword(reserved) && r.dword(u.container_id) &&
            r.dword(child_count) && child_count <= r.remaining() / 4;
  if (!ok) return false;
  u.child_ids.resize(child_count);
  for (auto& c : u.child_ids)
    if (!r.dword(c)) return false;
  ok = r.counted_block(u.mouse_pointer) && r.zstring(u.tag) && r.dword(reserved) && r.dword(u.state_flags) &&
       r.dword(u.tab_order) && read_events(r, code_base, u.events) && r.skip(20);
  if (!ok) return false;
  r.bytes(r.remaining(), u.type_data);
  return true;
}

// Ids must be unique; containers and children must name units of the same form.
bool references_consistent(const std::vector<UnitRecord>& units) {
  std::unordered_set<uint32_t> ids;
  for (const auto& u : units)
    if (!ids.insert(u.id).second) return false;
  for (const auto& u : units) {
    if (u.container_id != 0 && !ids.count(u.container_id)) return false;
    for (uint32_t c : u.child_ids)
      if (!ids.count(c)) return false;
  }
  return true;
}

bool read_unit_table(Form& form, uint32_t unit_count, const rt::CodeBase* code_base) {
  std::span<const uint8_t> table(form.unit_table);
  if (unit_count == 0 || unit_count > table.size() / 8) return false;
  ByteReader head(table);
  std::vector<uint32_t> ids(unit_count), offsets(unit_count);
  for (auto& id : ids) head.dword(id);
  for (auto& off : offsets) head.dword(off);
  const auto data = table.subspan(head.position());
  if (ids[0] != kFormOwnUnitId) return false;

  form.units.resize(unit_count);
  for (uint32_t k = 0; k < unit_count; ++k) {
    if ((ids[k] >> 24) == kMenuItemIdTop || offsets[k] > data.size()) return false;
    ByteReader entry(data.subspan(offsets[k]));
    std::span<const uint8_t> record;
    if (!entry.counted_block(record)) return false;
    form.units[k].id = ids[k];
    if (!read_unit_record(record, code_base, form.units[k])) return false;
  }
  return references_consistent(form.units);
}

bool read_form(ByteReader& r, uint32_t form_id, const rt::CodeBase* code_base, Form& form) {
  form.id = form_id;
  uint32_t unit_count;
  return r.dword(form.reserved_a) && r.dword(form.reserved_b) && r.counted_string(form.text_a) &&
         r.counted_string(form.text_b) && r.dword(unit_count) && r.counted_block(form.unit_table) &&
         read_unit_table(form, unit_count, code_base);
}

}  // namespace

bool load_template_segment(std::span<const uint8_t> segment, const rt::CodeBase* code_base,
                           std::vector<Form>& forms) {
  forms.clear();
  ByteReader r(segment);
  uint32_t table_length;
  if (!r.dword(table_length) || table_length % 8 != 0 || table_length > r.remaining()) return false;
  const uint32_t form_count = table_length / 8;
  std::vector<uint32_t> form_ids(form_count);
  for (auto& id : form_ids) r.dword(id);
  if (std::unordered_set<uint32_t>(form_ids.begin(), form_ids.end()).size() != form_count) return false;
  r.skip(4 * form_count);  // placeholders for the loaded form objects

  std::vector<Form> loaded(form_count);
  for (uint32_t i = 0; i < form_count; ++i)
    if (!read_form(r, form_ids[i], code_base, loaded[i])) return false;
  forms = std::move(loaded);
  return true;
}

}  // namespace forms
