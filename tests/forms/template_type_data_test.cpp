// Type data readers: round trips through the encoders at every version, empty blocks, and
// refusal of unknown versions and truncated or malformed blocks.
#include <gtest/gtest.h>

#include "forms/template_encoder.h"
#include "forms/type_data.h"
#include "forms/type_data_encoder.h"

namespace {

using namespace forms;

LogFont sample_font() {
  LogFont f;
  f.height = -14;
  f.weight = 700;
  f.italic = 1;
  f.strike_out = 1;
  f.charset = 134;
  f.face = "face-name";
  return f;
}

// Every strict prefix of a valid block is refused, and so is every version above the maximum.
template <typename T, typename Read>
void expect_refuses_truncation_and_new_versions(std::vector<uint8_t> block, Read read, uint32_t max) {
  T out;
  for (size_t n = 1; n < block.size(); ++n)
    EXPECT_FALSE(read(std::span<const uint8_t>(block.data(), n), out)) << n << " of " << block.size();
  for (uint32_t v : {max + 1, max + 7, 0xFFFFFFFFu}) {
    block[0] = static_cast<uint8_t>(v), block[1] = static_cast<uint8_t>(v >> 8);
    block[2] = static_cast<uint8_t>(v >> 16), block[3] = static_cast<uint8_t>(v >> 24);
    EXPECT_FALSE(read(block, out)) << v;
  }
}

TEST(TypeData, EmptyBlocksGiveTheTypeDefaults) {
  WindowData w;
  w.title = "x";
  ASSERT_TRUE(read_window_data({}, w));
  EXPECT_TRUE(w.title.empty());
  EXPECT_EQ(w.background, kButtonFace);
  EditBoxData e;
  e.content = "x";
  ASSERT_TRUE(read_edit_box_data({}, e));
  EXPECT_TRUE(e.content.empty());
  EXPECT_EQ(e.password_char, '*');
  LabelData l;
  ComboBoxData c;
  GroupBoxData g;
  ButtonData b;
  IpEditBoxData i;
  EXPECT_TRUE(read_label_data({}, l));
  EXPECT_TRUE(read_combo_box_data({}, c));
  EXPECT_EQ(c.style, 1);
  EXPECT_TRUE(read_group_box_data({}, g));
  EXPECT_TRUE(read_button_data({}, b));
  EXPECT_TRUE(read_ip_edit_box_data({}, i));
}

TEST(TypeData, WindowRoundTripsAtEveryVersion) {
  for (uint32_t version = 0; version <= tdver::kWindow; ++version) {
    WindowData d;
    d.version = version;
    d.border = 3, d.start_position = 1, d.esc_closes = true, d.help_context = 77;
    d.show_in_taskbar = false, d.option_g = 5, d.always_on_top = true, d.option_h = 1, d.class_name = "cls";
    d.icon = {1, 2, 3};
    d.font = sample_font();
    d.title = "title  ";
    d.help_file = "h";
    WindowData r;
    ASSERT_TRUE(read_window_data(encode_window_data(d), r)) << version;
    EXPECT_EQ(r.version, version);
    EXPECT_EQ(r.help_context, 77);
    EXPECT_EQ(r.title, "title  ");
    EXPECT_EQ(r.icon, d.icon);
    ASSERT_TRUE(r.font.has_value());
    EXPECT_EQ(r.font->face, "face-name");
    EXPECT_EQ(r.font->charset, 134);
    // Fields of later versions keep their defaults when the version lacks them.
    const WindowData def;
    EXPECT_EQ(r.show_in_taskbar, version > 1 ? false : def.show_in_taskbar);
    EXPECT_EQ(r.option_g, version > 2 ? 5 : def.option_g);
    EXPECT_EQ(r.always_on_top, version > 3);
    EXPECT_EQ(r.option_h, version > 4 ? 1 : def.option_h);
    EXPECT_EQ(r.class_name, version > 5 ? "cls" : "");
  }
  WindowData d;
  d.font = sample_font();
  expect_refuses_truncation_and_new_versions<WindowData>(encode_window_data(d), read_window_data, tdver::kWindow);
}

TEST(TypeData, EditBoxAndLabelBindingStringsOnlyInVersionTwo) {
  for (uint32_t version : {0u, 1u, 2u}) {
    EditBoxData e;
    e.version = version;
    e.password_char = 0x2A2A;
    e.input_mode = 3;
    e.content = "13000000001";
    e.binding_a = "a";
    EditBoxData er;
    ASSERT_TRUE(read_edit_box_data(encode_edit_box_data(e), er));
    EXPECT_EQ(er.password_char, 0x2A2A);
    EXPECT_EQ(er.input_mode, 3);
    EXPECT_EQ(er.content, "13000000001");
    EXPECT_EQ(er.binding_a, version == 2 ? "a" : "");
    LabelData l;
    l.version = version;
    l.frame_colours = {1, 2, 3};
    l.gradient_colours = {4, 5, 6};
    l.caption = "cap";
    l.binding_b = "b";
    LabelData lr;
    ASSERT_TRUE(read_label_data(encode_label_data(l), lr));
    EXPECT_EQ(lr.frame_colours, l.frame_colours);
    EXPECT_EQ(lr.gradient_colours, l.gradient_colours);
    EXPECT_EQ(lr.caption, "cap");
    EXPECT_EQ(lr.binding_b, version == 2 ? "b" : "");
  }
  expect_refuses_truncation_and_new_versions<EditBoxData>(encode_edit_box_data({}), read_edit_box_data,
                                                          tdver::kEditBox);
  expect_refuses_truncation_and_new_versions<LabelData>(encode_label_data({}), read_label_data, tdver::kLabel);
}

TEST(TypeData, ComboBoxItemsValuesAndVersionedTail) {
  for (uint32_t version : {1u, 2u, 3u}) {
    ComboBoxData d;
    d.version = version;
    d.items = {"300", "600", ""};
    d.item_values = {9600, -1};
    d.initial_selection = 1;
    d.binding_a = "x";
    d.extra = 42;
    ComboBoxData r;
    ASSERT_TRUE(read_combo_box_data(encode_combo_box_data(d), r));
    EXPECT_EQ(r.items, d.items);
    EXPECT_EQ(r.item_values, d.item_values);
    EXPECT_EQ(r.initial_selection, 1);
    EXPECT_EQ(r.binding_a, version >= 2 ? "x" : "");
    EXPECT_EQ(r.extra, version == 3 ? 42 : 0);
  }
  ComboBoxData many;
  many.items.assign(0x10000, "i");  // needs the 0xFFFF count escape
  ComboBoxData r;
  ASSERT_TRUE(read_combo_box_data(encode_combo_box_data(many), r));
  EXPECT_EQ(r.items.size(), 0x10000u);

  ComboBoxData d;
  d.items = {"a"};
  d.item_values = {1};
  expect_refuses_truncation_and_new_versions<ComboBoxData>(encode_combo_box_data(d), read_combo_box_data,
                                                           tdver::kComboBox);
  // An item value block whose length is not whole dwords is malformed.
  auto block = encode_combo_box_data(d);
  const size_t values_len = 4 * 10 + 4;  // version + nine dwords, then the empty font block
  ASSERT_EQ(block[values_len], 4);
  block[values_len] = 3;
  block.erase(block.begin() + values_len + 4);
  EXPECT_FALSE(read_combo_box_data(block, r));
}

TEST(TypeData, SmallTypesRoundTripAndRefuseBadBlocks) {
  GroupBoxData g;
  g.caption = "group";
  g.font = sample_font();
  GroupBoxData gr;
  ASSERT_TRUE(read_group_box_data(encode_group_box_data(g), gr));
  EXPECT_EQ(gr.caption, "group");
  EXPECT_EQ(gr.font->weight, 700);
  expect_refuses_truncation_and_new_versions<GroupBoxData>(encode_group_box_data(g), read_group_box_data,
                                                           tdver::kGroupBox);
  ButtonData b;
  b.caption = "btn";
  b.picture = {9};
  ButtonData br;
  ASSERT_TRUE(read_button_data(encode_button_data(b), br));
  EXPECT_EQ(br.caption, "btn");
  EXPECT_EQ(br.picture, b.picture);
  expect_refuses_truncation_and_new_versions<ButtonData>(encode_button_data(b), read_button_data, tdver::kButton);
  IpEditBoxData i;
  i.address = "192.168.0.1";
  IpEditBoxData ir;
  ASSERT_TRUE(read_ip_edit_box_data(encode_ip_edit_box_data(i), ir));
  EXPECT_EQ(ir.address, "192.168.0.1");
  expect_refuses_truncation_and_new_versions<IpEditBoxData>(encode_ip_edit_box_data(i), read_ip_edit_box_data,
                                                            tdver::kIpEditBox);
}

TEST(TypeData, FontBlockMustBeEmptyOrWhole) {
  std::vector<uint8_t> block;
  put_dword(block, 1);  // IPEditBox version 1
  put_dword(block, 59);
  block.resize(block.size() + 59, 'A');
  put_dword(block, 0);
  IpEditBoxData out;
  EXPECT_FALSE(read_ip_edit_box_data(block, out));
  // A face name that fills all 32 bytes without a terminator is cut to 31 bytes.
  block.clear();
  put_dword(block, 1);
  put_dword(block, 60);
  block.resize(block.size() + 60, 'F');
  put_dword(block, 0);
  ASSERT_TRUE(read_ip_edit_box_data(block, out));
  EXPECT_EQ(out.font->face, std::string(31, 'F'));
}

}  // namespace
