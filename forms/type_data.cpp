// Readers of the unit types' data blocks. Each reads the version first, refuses versions
// above the type's maximum, and reads later-version fields only when present.
#include "forms/type_data.h"

#include <cstring>

#include "forms/byte_reader.h"

namespace forms {
namespace {

bool flag(ByteReader& r, bool& out) {
  uint32_t v;
  if (!r.dword(v)) return false;
  out = v != 0;
  return true;
}

bool font(ByteReader& r, Font& out) {
  std::span<const uint8_t> b;
  if (!r.counted_block(b)) return false;
  if (b.empty()) {
    out.reset();
    return true;
  }
  if (b.size() != kLogFontSize) return false;
  ByteReader f(b);
  LogFont lf;
  f.dword(lf.height), f.dword(lf.width), f.dword(lf.escapement), f.dword(lf.orientation), f.dword(lf.weight);
  const uint8_t* p = b.data() + 20;
  lf.italic = p[0], lf.underline = p[1], lf.strike_out = p[2], lf.charset = p[3];
  lf.out_precision = p[4], lf.clip_precision = p[5], lf.quality = p[6], lf.pitch_and_family = p[7];
  const char* face = reinterpret_cast<const char*>(p + 8);
  lf.face.assign(face, strnlen(face, 31));  // always leave room for the terminator
  out = std::move(lf);
  return true;
}

// Reads the version; an empty block means "defaults" (reported through `empty`).
bool version(ByteReader& r, uint32_t max, uint32_t& out, bool& empty) {
  empty = r.at_end();
  if (empty) return true;
  return r.dword(out) && out <= max;
}

}  // namespace

bool read_window_data(std::span<const uint8_t> data, WindowData& out) {
  ByteReader r(data);
  WindowData d;
  bool empty;
  if (!version(r, tdver::kWindow, d.version, empty)) return false;
  if (empty) return out = d, true;
  bool ok = r.dword(d.border) && r.dword(d.option_a) && r.dword(d.background) && flag(r, d.max_box) &&
            flag(r, d.min_box) && flag(r, d.control_box) && r.dword(d.start_position) && flag(r, d.movable) &&
            r.dword(d.option_b) && flag(r, d.enter_moves_focus) && flag(r, d.esc_closes) && flag(r, d.f1_help) &&
            r.dword(d.help_context);
  if (ok && d.version > 1) ok = flag(r, d.show_in_taskbar);
  if (ok && d.version > 2) ok = flag(r, d.drag_anywhere) && r.dword(d.option_g);
  if (ok && d.version > 3) ok = flag(r, d.always_on_top);
  if (ok && d.version > 4) ok = r.dword(d.option_h);
  if (ok && d.version > 5) ok = r.counted_string(d.class_name);
  ok = ok && r.counted_block(d.background_picture) && r.counted_block(d.icon) && font(r, d.font) &&
       r.counted_string(d.title) && r.counted_string(d.help_file);
  if (ok) out = std::move(d);
  return ok;
}

bool read_edit_box_data(std::span<const uint8_t> data, EditBoxData& out) {
  ByteReader r(data);
  EditBoxData d;
  bool empty;
  if (!version(r, tdver::kEditBox, d.version, empty)) return false;
  if (empty) return out = d, true;
  bool ok = r.dword(d.border) && r.dword(d.text_colour) && r.dword(d.background) && flag(r, d.hide_selection) &&
            r.dword(d.max_length) && flag(r, d.multi_line) && r.dword(d.scroll_bars) && r.dword(d.alignment) &&
            r.dword(d.input_mode) && r.word(d.password_char) && r.dword(d.case_conversion) &&
            r.dword(d.adjuster) && r.dword(d.adjuster_min) && r.dword(d.adjuster_max) &&
            r.dword(d.selection_start) && r.dword(d.selection_length) && font(r, d.font) &&
            r.counted_string(d.content);
  if (ok && d.version >= 2) ok = r.counted_string(d.binding_a) && r.counted_string(d.binding_b);
  if (ok) out = std::move(d);
  return ok;
}

bool read_label_data(std::span<const uint8_t> data, LabelData& out) {
  ByteReader r(data);
  LabelData d;
  bool empty;
  if (!version(r, tdver::kLabel, d.version, empty)) return false;
  if (empty) return out = d, true;
  bool ok = r.dword(d.effect) && r.dword(d.frame_width) && r.dword(d.border);
  for (auto& c : d.frame_colours) ok = ok && r.dword(c);
  ok = ok && r.dword(d.text_colour) && r.dword(d.background) && r.dword(d.picture_mode) &&
       r.dword(d.gradient_mode);
  for (auto& c : d.gradient_colours) ok = ok && r.dword(c);
  ok = ok && r.dword(d.h_align) && r.dword(d.v_align) && flag(r, d.word_wrap) && font(r, d.font) &&
       r.counted_block(d.background_picture) && r.counted_string(d.caption);
  if (ok && d.version >= 2) ok = r.counted_string(d.binding_a) && r.counted_string(d.binding_b);
  if (ok) out = std::move(d);
  return ok;
}

bool read_group_box_data(std::span<const uint8_t> data, GroupBoxData& out) {
  ByteReader r(data);
  GroupBoxData d;
  bool empty;
  if (!version(r, tdver::kGroupBox, d.version, empty)) return false;
  if (empty) return out = d, true;
  bool ok = r.dword(d.style) && r.dword(d.text_colour) && r.dword(d.background) && font(r, d.font) &&
            r.counted_string(d.caption);
  if (ok) out = std::move(d);
  return ok;
}

bool read_button_data(std::span<const uint8_t> data, ButtonData& out) {
  ByteReader r(data);
  ButtonData d;
  bool empty;
  if (!version(r, tdver::kButton, d.version, empty)) return false;
  if (empty) return out = d, true;
  bool ok = r.dword(d.button_type) && r.dword(d.h_align) && r.dword(d.v_align) && r.counted_block(d.picture) &&
            font(r, d.font) && r.counted_string(d.caption);
  if (ok) out = std::move(d);
  return ok;
}

bool read_combo_box_data(std::span<const uint8_t> data, ComboBoxData& out) {
  ByteReader r(data);
  ComboBoxData d;
  bool empty;
  if (!version(r, tdver::kComboBox, d.version, empty)) return false;
  if (empty) return out = d, true;
  std::span<const uint8_t> values;
  bool ok = r.dword(d.style) && r.dword(d.max_length) && r.dword(d.selection_start) &&
            r.dword(d.selection_length) && flag(r, d.sorted) && r.dword(d.extra_item_height) &&
            r.dword(d.text_colour) && r.dword(d.background) && r.dword(d.initial_selection) && font(r, d.font) &&
            r.counted_block(values) && values.size() % 4 == 0;
  if (ok) {
    ByteReader v(values);
    d.item_values.resize(values.size() / 4);
    for (auto& x : d.item_values) v.dword(x);
  }
  ok = ok && r.counted_string(d.content) && r.string_list(d.items);
  if (ok && d.version >= 2) ok = r.counted_string(d.binding_a) && r.counted_string(d.binding_b);
  if (ok && d.version >= 3) ok = r.dword(d.extra);
  if (ok) out = std::move(d);
  return ok;
}

bool read_ip_edit_box_data(std::span<const uint8_t> data, IpEditBoxData& out) {
  ByteReader r(data);
  IpEditBoxData d;
  bool empty;
  if (!version(r, tdver::kIpEditBox, d.version, empty)) return false;
  if (empty) return out = d, true;
  bool ok = font(r, d.font) && r.counted_string(d.address);
  if (ok) out = std::move(d);
  return ok;
}

}  // namespace forms
