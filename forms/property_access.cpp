// Reading and writing unit properties by index: the common properties 0-7 from the live
// window or the stored record, the type's own ones through the unit object, with the value
// conventions of each property type code.
#include <algorithm>
#include <cstring>

#include "dtu_forms_messages.h"
#include "forms/font_property.h"
#include "forms/form_runtime.h"
#include "forms/form_window.h"
#include "platform/backend.h"
#include "runtime/core_services.h"

namespace forms {
namespace {

constexpr int kLeft = 0, kTop = 1, kWidth = 2, kHeight = 3, kTag = 4, kVisible = 5, kDisabled = 6, kPointer = 7;
constexpr int32_t kPositionLimit = 32627;

int32_t low32(uint64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }
uint64_t from_int(int64_t v) { return static_cast<uint64_t>(v); }
uint64_t from_pointer(const void* p) { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)); }
const char* as_text(uint64_t v) { return reinterpret_cast<const char*>(static_cast<uintptr_t>(v)); }
const uint8_t* as_bytes(uint64_t v) { return reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(v)); }

std::string bytes_of(uint64_t v, uint32_t length) {
  const uint8_t* p = as_bytes(v);
  return p && length ? std::string(reinterpret_cast<const char*>(p), length) : std::string();
}

bool is_byte_data(uint16_t code) {
  namespace vt = rt::vtype;
  return (code >= vt::kBytes && code <= vt::kPointerData) || code == vt::kBytesAlt || code == vt::kData;
}
bool is_integer(uint16_t code) {
  return code == rt::vtype::kIntAlt || code == rt::vtype::kInt || code == rt::vtype::kPickList;
}
bool is_colour(uint16_t code) {
  return code == rt::vtype::kColour || code == rt::vtype::kFrameColour || code == rt::vtype::kBackColour;
}
bool is_font_part(uint16_t code, int sub_kind) { return code == rt::vtype::kFont && sub_kind >= 0 && sub_kind <= 6; }

// The window that carries a unit's common properties: none for units whose window is only
// a hidden message target (their position and flags live in the record alone).
platform::Handle common_window(const UnitSlot& u) {
  const rt::UnitTypeRecord* type = FormRuntime::type_of(u);
  return type && (type->flags & rt::kTypeNoWindow) ? 0 : u.live_window();
}

// Outer size of the form against the client size the window system keeps.
platform::Geometry frame_delta(UnitSlot& u) {
  auto* frame = dynamic_cast<FormWindow*>(u.object.get());
  return frame ? frame->frame_delta() : platform::Geometry{};
}

}  // namespace

UnitSlot& FormRuntime::unit_for_access(FormSlot& form, uint32_t unit_id) {
  UnitSlot* u = form.find(unit_id);
  if (!u) rt::runtime_error(msg::text_at(msg::unit_missing));
  return *u;
}

uint64_t FormRuntime::read_property(uint32_t form_id, uint32_t unit_id, int index, int sub_kind) {
  FormSlot* f = find_form(form_id);
  if (!f) rt::runtime_error(msg::text_at(msg::form_not_loaded));
  UnitSlot& u = unit_for_access(*f, unit_id);
  if (index < 0) return 0;
  return index < 8 ? read_common(u, index) : read_own(u, index, sub_kind);
}

void FormRuntime::write_property(uint32_t form_id, uint32_t unit_id, int index, int sub_kind, uint64_t value,
                                 uint32_t high_or_length) {
  FormSlot* f = find_form(form_id);
  if (!f) rt::runtime_error(msg::text_at(msg::form_not_loaded));
  UnitSlot& u = unit_for_access(*f, unit_id);
  if (index < 0) return;
  if (index < 8) write_common(u, index, value, high_or_length);
  else write_own(*f, u, index, sub_kind, value, high_or_length);
}

uint64_t FormRuntime::read_common(UnitSlot& u, int index) {
  auto& be = platform::backend();
  const platform::Handle w = common_window(u);
  platform::Geometry g = u.geometry;
  if (w && index <= kHeight) {
    g = be.geometry(w);
    platform::Geometry d = frame_delta(u);
    g.width += d.width;
    g.height += d.height;
  }
  switch (index) {
    case kLeft: return from_int(g.left);
    case kTop: return from_int(g.top);
    case kWidth: return from_int(g.width);
    case kHeight: return from_int(g.height);
    case kTag: return from_pointer(rt::new_text(u.tag));
    case kVisible: return w ? be.visible(w) : (u.state_flags & kStateVisible) != 0;
    case kDisabled: return w ? !be.enabled(w) : (u.state_flags & kStateDisabled) != 0;
    case kPointer: return from_pointer(rt::new_binary(u.mouse_pointer.data(), u.mouse_pointer.size()));
    default: return 0;
  }
}

void FormRuntime::write_common(UnitSlot& u, int index, uint64_t value, uint32_t length) {
  auto& be = platform::backend();
  const platform::Handle w = common_window(u);
  const int32_t v = low32(value);
  const bool on = v != 0;
  auto set_bit = [&](uint32_t bit) { u.state_flags = on ? (u.state_flags | bit) : (u.state_flags & ~bit); };
  switch (index) {
    case kLeft: case kTop: case kWidth: case kHeight: {
      const int32_t lo = index <= kTop ? -kPositionLimit : 0;
      const int32_t c = std::clamp(v, lo, kPositionLimit);
      (index == kLeft ? u.geometry.left : index == kTop ? u.geometry.top
                      : index == kWidth ? u.geometry.width : u.geometry.height) = c;
      if (!w) return;
      platform::Geometry g = be.geometry(w), d = frame_delta(u);
      if (index == kLeft) g.left = c;
      if (index == kTop) g.top = c;
      if (index == kWidth) g.width = std::max(0, c - d.width);
      if (index == kHeight) g.height = std::max(0, c - d.height);
      be.set_geometry(w, g);
      return;
    }
    case kTag: u.tag = rt::text_view(as_text(value)); return;
    case kVisible:
      set_bit(kStateVisible);
      if (w && on && u.id() == kFormOwnUnitId) be.show_frame(w);
      else if (w) be.set_visible(w, on);
      return;
    case kDisabled:
      set_bit(kStateDisabled);
      if (w) be.set_enabled(w, !on);
      return;
    case kPointer: {
      std::string b = bytes_of(value, length);
      u.mouse_pointer.assign(b.begin(), b.end());
      return;
    }
    default: return;
  }
}

uint64_t FormRuntime::read_own(UnitSlot& u, int index, int sub_kind) {
  if (!u.live_window()) rt::runtime_error(msg::text_at(msg::window_not_loaded));
  const rt::UnitTypeRecord* type = type_of(u);
  if (!type || index >= type->property_count) return 0;
  const uint16_t code = type->properties[index].value_type;
  PropertyValue pv;
  if (!u.object->get_property(index - 8, pv)) return 0;
  if (is_font_part(code, sub_kind)) {
    PropertyValue part = read_font_part(unpack_font(pv.bytes), sub_kind);
    return sub_kind == font_part::kFace ? from_pointer(rt::new_text(part.bytes)) : from_int(part.integer);
  }
  if (is_integer(code)) return from_int(static_cast<int32_t>(pv.integer));
  if (code == rt::vtype::kLogical) return pv.integer == 1 ? 1 : 0;
  if (code == rt::vtype::kInt64 || code == rt::vtype::kInt64Alt) return static_cast<uint64_t>(pv.integer);
  if (is_colour(code)) return static_cast<uint32_t>(pv.integer);
  if (is_byte_data(code) || code == rt::vtype::kFont)
    return from_pointer(rt::new_binary(pv.bytes.data(), pv.bytes.size()));
  return from_pointer(rt::new_text(pv.bytes));
}

void FormRuntime::write_own(FormSlot& f, UnitSlot& u, int index, int sub_kind, uint64_t value, uint32_t length) {
  if (!u.live_window()) rt::runtime_error(msg::text_at(msg::window_not_loaded));
  const rt::UnitTypeRecord* type = type_of(u);
  if (!type || index >= type->property_count) return;
  const uint16_t code = type->properties[index].value_type;
  Unit* object = u.object.get();
  PropertyValue pv;
  if (is_font_part(code, sub_kind)) {
    PropertyValue current, part;
    object->get_property(index - 8, current);
    if (sub_kind == font_part::kFace) part.bytes = rt::text_view(as_text(value));
    else part.integer = low32(value);
    pv.bytes = pack_font(write_font_part(unpack_font(current.bytes), sub_kind, part));
  } else if (is_integer(code)) {
    pv.integer = low32(value);
  } else if (code == rt::vtype::kLogical) {
    pv.integer = low32(value) != 0;
  } else if (code == rt::vtype::kInt64 || code == rt::vtype::kInt64Alt) {
    pv.integer = static_cast<int64_t>(value);
  } else if (is_colour(code)) {
    pv.integer = static_cast<uint32_t>(value);
  } else if (code == rt::vtype::kFont) {
    pv.bytes = pack_font(unpack_font(bytes_of(value, length)));
  } else if (is_byte_data(code)) {
    pv.bytes = bytes_of(value, length);
  } else {
    pv.bytes = rt::text_view(as_text(value));
  }
  if (object->set_property(index - 8, pv) && u.live_window()) relayout(f);
}

// After a property change that may affect the layout: every unit's window follows its
// stored visibility again. No handler runs meanwhile.
void FormRuntime::relayout(FormSlot& f) {
  rt::raise_suppression();
  auto& be = platform::backend();
  for (size_t i = 1; i < f.units.size(); ++i) {
    UnitSlot& u = f.units[i];
    const rt::UnitTypeRecord* type = type_of(u);
    platform::Handle w = u.live_window();
    if (!w || !type || (type->flags & rt::kTypeNoWindow)) continue;
    const bool visible = u.state_flags & kStateVisible;
    if (be.visible(w) != visible) be.set_visible(w, visible);
  }
  rt::lower_suppression();
}

}  // namespace forms
