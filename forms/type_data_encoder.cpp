// Writes type data blocks in the layout the readers expect, field by field and by version.
#include "forms/type_data_encoder.h"

#include <algorithm>
#include <cstring>

#include "forms/template_encoder.h"

namespace forms {
namespace {

void put_int(std::vector<uint8_t>& o, int32_t v) { put_dword(o, static_cast<uint32_t>(v)); }
void put_flag(std::vector<uint8_t>& o, bool v) { put_dword(o, v ? 1 : 0); }

void put_font(std::vector<uint8_t>& o, const Font& f) {
  if (!f) {
    put_dword(o, 0);
    return;
  }
  put_dword(o, kLogFontSize);
  for (int32_t v : {f->height, f->width, f->escapement, f->orientation, f->weight}) put_int(o, v);
  for (uint8_t v : {f->italic, f->underline, f->strike_out, f->charset, f->out_precision, f->clip_precision,
                    f->quality, f->pitch_and_family})
    o.push_back(v);
  char face[32] = {};
  std::memcpy(face, f->face.data(), std::min<size_t>(f->face.size(), 31));
  put_bytes(o, face, sizeof face);
}

}  // namespace

std::vector<uint8_t> encode_window_data(const WindowData& d) {
  std::vector<uint8_t> o;
  put_dword(o, d.version);
  put_int(o, d.border);
  put_int(o, d.option_a);
  put_dword(o, d.background);
  put_flag(o, d.max_box);
  put_flag(o, d.min_box);
  put_flag(o, d.control_box);
  put_int(o, d.start_position);
  put_flag(o, d.movable);
  put_int(o, d.option_b);
  put_flag(o, d.enter_moves_focus);
  put_flag(o, d.esc_closes);
  put_flag(o, d.f1_help);
  put_int(o, d.help_context);
  if (d.version > 1) put_flag(o, d.show_in_taskbar);
  if (d.version > 2) put_flag(o, d.drag_anywhere), put_int(o, d.option_g);
  if (d.version > 3) put_flag(o, d.always_on_top);
  if (d.version > 4) put_int(o, d.option_h);
  if (d.version > 5) put_counted(o, d.class_name);
  put_counted(o, d.background_picture);
  put_counted(o, d.icon);
  put_font(o, d.font);
  put_counted(o, d.title);
  put_counted(o, d.help_file);
  return o;
}

std::vector<uint8_t> encode_edit_box_data(const EditBoxData& d) {
  std::vector<uint8_t> o;
  put_dword(o, d.version);
  put_int(o, d.border);
  put_dword(o, d.text_colour);
  put_dword(o, d.background);
  put_flag(o, d.hide_selection);
  put_int(o, d.max_length);
  put_flag(o, d.multi_line);
  put_int(o, d.scroll_bars);
  put_int(o, d.alignment);
  put_int(o, d.input_mode);
  put_word(o, d.password_char);
  for (int32_t v : {d.case_conversion, d.adjuster, d.adjuster_min, d.adjuster_max, d.selection_start,
                    d.selection_length})
    put_int(o, v);
  put_font(o, d.font);
  put_counted(o, d.content);
  if (d.version >= 2) put_counted(o, d.binding_a), put_counted(o, d.binding_b);
  return o;
}

std::vector<uint8_t> encode_label_data(const LabelData& d) {
  std::vector<uint8_t> o;
  put_dword(o, d.version);
  put_int(o, d.effect);
  put_int(o, d.frame_width);
  put_int(o, d.border);
  for (uint32_t c : d.frame_colours) put_dword(o, c);
  put_dword(o, d.text_colour);
  put_dword(o, d.background);
  put_int(o, d.picture_mode);
  put_int(o, d.gradient_mode);
  for (uint32_t c : d.gradient_colours) put_dword(o, c);
  put_int(o, d.h_align);
  put_int(o, d.v_align);
  put_flag(o, d.word_wrap);
  put_font(o, d.font);
  put_counted(o, d.background_picture);
  put_counted(o, d.caption);
  if (d.version >= 2) put_counted(o, d.binding_a), put_counted(o, d.binding_b);
  return o;
}

std::vector<uint8_t> encode_group_box_data(const GroupBoxData& d) {
  std::vector<uint8_t> o;
  put_dword(o, d.version);
  put_int(o, d.style);
  put_dword(o, d.text_colour);
  put_dword(o, d.background);
  put_font(o, d.font);
  put_counted(o, d.caption);
  return o;
}

std::vector<uint8_t> encode_button_data(const ButtonData& d) {
  std::vector<uint8_t> o;
  put_dword(o, d.version);
  put_int(o, d.button_type);
  put_int(o, d.h_align);
  put_int(o, d.v_align);
  put_counted(o, d.picture);
  put_font(o, d.font);
  put_counted(o, d.caption);
  return o;
}

std::vector<uint8_t> encode_combo_box_data(const ComboBoxData& d) {
  std::vector<uint8_t> o;
  put_dword(o, d.version);
  for (int32_t v : {d.style, d.max_length, d.selection_start, d.selection_length}) put_int(o, v);
  put_flag(o, d.sorted);
  put_int(o, d.extra_item_height);
  put_dword(o, d.text_colour);
  put_dword(o, d.background);
  put_int(o, d.initial_selection);
  put_font(o, d.font);
  put_dword(o, static_cast<uint32_t>(4 * d.item_values.size()));
  for (int32_t v : d.item_values) put_int(o, v);
  put_counted(o, d.content);
  if (d.items.size() >= 0xFFFF) {
    put_word(o, 0xFFFF);
    put_dword(o, static_cast<uint32_t>(d.items.size()));
  } else {
    put_word(o, static_cast<uint16_t>(d.items.size()));
  }
  for (const auto& s : d.items) put_counted(o, s);
  if (d.version >= 2) put_counted(o, d.binding_a), put_counted(o, d.binding_b);
  if (d.version >= 3) put_int(o, d.extra);
  return o;
}

std::vector<uint8_t> encode_ip_edit_box_data(const IpEditBoxData& d) {
  std::vector<uint8_t> o;
  put_dword(o, d.version);
  put_font(o, d.font);
  put_counted(o, d.address);
  return o;
}

}  // namespace forms
