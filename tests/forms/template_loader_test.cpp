// Loader behaviour on hand-built valid and corrupt segments.
#include <gtest/gtest.h>

#include "forms/byte_reader.h"
#include "forms/template.h"
#include "forms/template_encoder.h"

namespace {

using forms::FormDescription;
using forms::UnitDescription;

int32_t handler_a(const int32_t*, int) { return 1; }
int32_t handler_b(const int32_t*, int) { return 2; }
const rt::EventHandler kTable[] = {handler_a, handler_b};
const rt::CodeBase kCodeBase{2, kTable};
constexpr int32_t kSlot = sizeof(rt::EventHandler);

// A small form: the form's own record, a group box and a button inside it.
FormDescription small_form() {
  FormDescription f;
  f.id = 0x52010001;
  f.reserved_a = 0x01640A84;
  f.reserved_b = 0x19010006;
  UnitDescription self;
  self.id = forms::kFormOwnUnitId;
  self.data_type = forms::dtype::kWindow;
  self.events = {{0, 0}};
  UnitDescription group;
  group.id = 0x16010002;
  group.data_type = forms::dtype::kGroupBox;
  group.name = "group";
  group.child_ids = {0x16010003};
  UnitDescription button;
  button.id = 0x16010003;
  button.data_type = forms::dtype::kButton;
  button.name = "button";
  button.container_id = 0x16010002;
  button.left = -5, button.top = 7, button.width = 100, button.height = 50;
  button.state_flags = forms::kStateVisible | forms::kStateTabStop;
  button.tab_order = 3;
  button.mouse_pointer = {0, 0, 0, 0};
  button.events = {{0, kSlot}, {-8, -1}};
  button.type_data = {1, 0, 0, 0, 9, 9};
  f.units = {self, group, button};
  return f;
}

bool load(const std::vector<uint8_t>& seg, std::vector<forms::Form>& out, const rt::CodeBase* cb = &kCodeBase) {
  return forms::load_template_segment(seg, cb, out);
}

bool loads(const FormDescription& f, const rt::CodeBase* cb = &kCodeBase) {
  std::vector<forms::Form> out;
  return load(forms::encode_template_segment({f}), out, cb);
}

TEST(TemplateLoader, ReadsEveryFieldOfAUnitRecord) {
  std::vector<forms::Form> out;
  ASSERT_TRUE(load(forms::encode_template_segment({small_form()}), out));
  ASSERT_EQ(out.size(), 1u);
  const forms::Form& f = out[0];
  EXPECT_EQ(f.id, 0x52010001u);
  EXPECT_EQ(f.reserved_a, 0x01640A84u);
  ASSERT_EQ(f.units.size(), 3u);
  EXPECT_EQ(f.find(0), &f.units[0]);  // unit id 0 addresses the form's own record
  const forms::UnitRecord* b = f.find(0x16010003);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->name, "button");
  EXPECT_EQ(b->left, -5);
  EXPECT_EQ(b->height, 50);
  EXPECT_EQ(b->container_id, 0x16010002u);
  EXPECT_TRUE(b->visible() && b->tab_stop() && !b->disabled());
  EXPECT_EQ(b->tab_order, 3u);
  EXPECT_EQ(b->mouse_pointer.size(), 4u);
  EXPECT_EQ(std::vector<uint8_t>(b->type_data.begin(), b->type_data.end()), (std::vector<uint8_t>{1, 0, 0, 0, 9, 9}));
  // Type data is a view into the form's own unit table buffer.
  EXPECT_GE(b->type_data.data(), f.unit_table.data());
  EXPECT_LE(b->type_data.data() + b->type_data.size(), f.unit_table.data() + f.unit_table.size());
  EXPECT_EQ(f.find(0x16010002)->child_ids, std::vector<uint32_t>{0x16010003});
}

TEST(TemplateLoader, ResolvesHandlersAndMinusOneIsNone) {
  std::vector<forms::Form> out;
  ASSERT_TRUE(load(forms::encode_template_segment({small_form()}), out));
  const forms::UnitRecord* b = out[0].find(0x16010003);
  EXPECT_EQ(b->handler_for(0), &handler_b);
  EXPECT_TRUE(b->has_event(-8));
  EXPECT_EQ(b->handler_for(-8), nullptr);  // -1: entry without handler, never the code base itself
  EXPECT_FALSE(b->has_event(-7));
  EXPECT_EQ(out[0].units[0].handler_for(0), &handler_a);
}

TEST(TemplateLoader, RefusesBadHandlerOffsets) {
  for (int32_t bad : {1, kSlot - 1, 2 * kSlot, 100 * kSlot, -2, INT32_MIN}) {
    auto f = small_form();
    f.units[2].events[0].handler_offset = bad;
    EXPECT_FALSE(loads(f)) << bad;
  }
  EXPECT_FALSE(loads(small_form(), nullptr));  // offsets but no code base
  auto f = small_form();
  for (auto& u : f.units) u.events.clear();
  EXPECT_TRUE(loads(f, nullptr));
}

TEST(TemplateLoader, RefusesInconsistentUnitTables) {
  auto f = small_form();
  f.units[0].id = 0x16010001;  // unit 0 must be the form itself
  EXPECT_FALSE(loads(f));
  f = small_form();
  f.units[2].id = 0x26010003;  // menu items are not supported
  f.units[1].child_ids = {0x26010003};
  EXPECT_FALSE(loads(f));
  f = small_form();
  f.units[2].id = 0x16010002;  // duplicate id
  EXPECT_FALSE(loads(f));
  f = small_form();
  f.units[2].container_id = 0x16019999;  // container that does not exist
  EXPECT_FALSE(loads(f));
  f = small_form();
  f.units[1].child_ids = {0x16019999};
  EXPECT_FALSE(loads(f));
  f = small_form();
  f.units.clear();
  EXPECT_FALSE(loads(f));
}

// Offsets into the segment of one-form segments, for patching single fields.
constexpr size_t kFormTableLength = 0, kFormRecord = 12;
constexpr size_t kUnitCount = kFormRecord + 16, kTableBlock = kUnitCount + 4, kTableStart = kTableBlock + 4;

void patch(std::vector<uint8_t>& seg, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) seg[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

TEST(TemplateLoader, RefusesWrongCountsAndOffsets) {
  const auto good = forms::encode_template_segment({small_form()});
  std::vector<forms::Form> out;
  ASSERT_TRUE(load(good, out));
  const uint32_t data_area = kTableStart + 3 * 8;
  struct Case {
    size_t at;
    uint32_t value;
  } cases[] = {
      {kFormTableLength, 4}, {kFormTableLength, 12}, {kFormTableLength, 16}, {kFormTableLength, 0xFFFFFFF8},
      {kUnitCount, 4}, {kUnitCount, 0}, {kUnitCount, 0x40000000},
      {kTableBlock, 0xFFFFFFFF}, {kTableBlock, 8},
      {kTableStart + 12, 0xFFFFFF00},                                            // unit 0 offset out of range
      {kTableStart + 16, static_cast<uint32_t>(good.size() - data_area)},        // unit 1 offset at the very end
      {data_area, 0xFFFF},                                                  // unit 0 record length
  };
  for (const auto& c : cases) {
    auto seg = good;
    patch(seg, c.at, c.value);
    EXPECT_FALSE(load(seg, out)) << c.at << " " << c.value;
    EXPECT_TRUE(out.empty());
  }
  auto seg = good;
  patch(seg, kFormTableLength, 0);  // no forms at all is a valid, empty template
  EXPECT_TRUE(load(seg, out));
  EXPECT_TRUE(out.empty());
}

TEST(TemplateLoader, RefusesEveryTruncation) {
  const auto good = forms::encode_template_segment({small_form()});
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + n);
    std::vector<forms::Form> out;
    // Exactly the full length loads; every shorter prefix is refused (the record lengths and
    // block counts describe the whole segment).
    EXPECT_FALSE(load(cut, out)) << n;
  }
}

TEST(TemplateLoader, UnitRecordCutShortInsideItsLengthIsRefused) {
  // Shrink the button's record length so its fields run past the record end.
  auto f = small_form();
  f.units[2].type_data.clear();
  auto seg = forms::encode_template_segment({f});
  const size_t record_len = seg.size() - forms::encode_unit_record(f.units[2]).size() - 4;
  for (uint32_t shorter : {1u, 20u, 40u}) {
    auto s = seg;
    patch(s, record_len, static_cast<uint32_t>(forms::encode_unit_record(f.units[2]).size()) - shorter);
    std::vector<forms::Form> out;
    EXPECT_FALSE(load(s, out)) << shorter;
  }
}

TEST(TemplateLoader, LoadsSeveralFormsInTableOrder) {
  auto a = small_form(), b = small_form();
  b.id = 0x52010002;
  b.text_a = "x";
  std::vector<forms::Form> out;
  ASSERT_TRUE(load(forms::encode_template_segment({a, b}), out));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1].id, 0x52010002u);
  EXPECT_EQ(out[1].text_a, "x");
  EXPECT_FALSE(load(forms::encode_template_segment({a, a}), out));  // duplicate form id
}

TEST(ByteReader, FailedReadsLeaveThePositionAlone) {
  const std::vector<uint8_t> bytes{3, 0, 0, 0, 'a', 'b', 'x', 0};
  forms::ByteReader r(bytes);
  std::string s;
  uint32_t v;
  ASSERT_TRUE(r.dword(v));
  EXPECT_FALSE(r.counted_string(s));  // the next dword ("abx\0") is far too large a count
  EXPECT_EQ(r.position(), 4u);
  EXPECT_TRUE(r.zstring(s));
  EXPECT_EQ(s, "abx");
  EXPECT_FALSE(r.zstring(s));
  EXPECT_FALSE(r.dword(v));
}

TEST(ByteReader, StringListEscapeAndHugeCounts) {
  std::vector<uint8_t> esc{0xFF, 0xFF, 2, 0, 0, 0, 1, 0, 0, 0, 'a', 0, 0, 0, 0};
  forms::ByteReader r(esc);
  std::vector<std::string> items;
  ASSERT_TRUE(r.string_list(items));
  EXPECT_EQ(items, (std::vector<std::string>{"a", ""}));
  // A count far beyond the bytes present fails at once instead of reserving memory for it.
  std::vector<uint8_t> huge{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0};
  forms::ByteReader h(huge);
  EXPECT_FALSE(h.string_list(items));
  EXPECT_EQ(h.position(), 0u);
  EXPECT_EQ(items.size(), 2u);  // untouched on failure
}

}  // namespace
