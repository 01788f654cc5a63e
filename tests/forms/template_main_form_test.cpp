// The generated main form: it loads, and its records say what the tool's window needs.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "forms/template.h"
#include "forms/type_data.h"
#include "main_form_ids.h"
#include "platform/gbk_codec.h"

namespace {

using namespace forms;

// Distinct handlers so the test can tell which slot an event resolved to.
template <int N>
int32_t slot_handler(const int32_t*, int) { return N; }
template <int... N>
constexpr std::array<rt::EventHandler, sizeof...(N)> make_table(std::integer_sequence<int, N...>) {
  return {slot_handler<N>...};
}
const auto kTable = make_table(std::make_integer_sequence<int, app::kMainFormHandlerCount>());
const rt::CodeBase kCodeBase{app::kMainFormHandlerCount, kTable.data()};

std::string gbk(const char* utf8) { return platform::utf8_to_gbk(utf8).value(); }

class MainForm : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(load_template_segment({app::kMainFormSegment, app::kMainFormSegmentSize}, &kCodeBase, forms_));
    ASSERT_EQ(forms_.size(), 1u);
  }
  const Form& form() const { return forms_[0]; }
  const UnitRecord& unit(uint32_t id) const {
    const UnitRecord* u = form().find(id);
    EXPECT_NE(u, nullptr) << std::hex << id;
    return u ? *u : form().units[0];
  }
  std::vector<Form> forms_;
};

TEST_F(MainForm, HasFiftySixUnitsInTemplateOrder) {
  EXPECT_EQ(form().id, app::kMainFormId);
  EXPECT_EQ(form().id, 0x52010001u);
  EXPECT_EQ(form().reserved_a, 0x01640A84u);
  EXPECT_EQ(form().reserved_b, 0x19010006u);
  ASSERT_EQ(form().units.size(), 56u);
  EXPECT_EQ(form().units[0].id, kFormOwnUnitId);
  EXPECT_TRUE(form().units[0].name.empty());
  EXPECT_EQ(form().units[1].id, 0x16010615u);
  EXPECT_EQ(form().units[26].id, app::kIdGroupOperations);
  EXPECT_EQ(form().units[27].id, 0x1601003Bu);
  EXPECT_EQ(form().units[55].id, 0x16010002u);
  EXPECT_EQ(unit(app::kIdEditDeviceId).name, gbk("编辑框_设备ID"));
  EXPECT_EQ(unit(0x160100E2).name, gbk("组合框_工作波特率设置"));
  EXPECT_EQ(unit(0x16010234).name, gbk("标签_必须填写"));
}

TEST_F(MainForm, GeometryContainersAndChildren) {
  const UnitRecord& f = form().units[0];
  EXPECT_EQ(std::vector<int32_t>({f.left, f.top, f.width, f.height}), std::vector<int32_t>({50, 50, 591, 617}));
  const UnitRecord& ring2 = unit(app::kIdEditRing2);
  EXPECT_EQ(std::vector<int32_t>({ring2.left, ring2.top, ring2.width, ring2.height}),
            std::vector<int32_t>({374, 96, 144, 20}));
  EXPECT_EQ(ring2.container_id, app::kIdGroupOther);
  EXPECT_EQ(unit(app::kIdLabelWebAddress).container_id, 0u);
  EXPECT_EQ(unit(app::kIdEditMonitor).container_id, app::kIdGroupMonitor);
  // Every contained unit is listed by its group box, and only there.
  for (const auto& u : form().units) {
    if (u.container_id == 0) continue;
    const auto& kids = unit(u.container_id).child_ids;
    EXPECT_EQ(std::count(kids.begin(), kids.end(), u.id), 1) << std::hex << u.id;
    EXPECT_EQ(unit(u.container_id).data_type, dtype::kGroupBox);
  }
  EXPECT_EQ(unit(app::kIdGroupOperations).child_ids.size(), 4u);
  EXPECT_EQ(unit(app::kIdGroupSerial).child_ids.size(), 8u);
}

TEST_F(MainForm, FlagsAndTabOrder) {
  std::vector<std::pair<uint32_t, uint32_t>> tab_stops;  // (order, id)
  for (const auto& u : form().units) {
    const bool windowless = u.data_type == dtype::kTimer || u.data_type == dtype::kSerialPort;
    if (!windowless) {
      EXPECT_TRUE(u.visible() && !u.disabled()) << std::hex << u.id;
    }
    if (u.tab_stop()) tab_stops.emplace_back(u.tab_order, u.id);
  }
  std::sort(tab_stops.begin(), tab_stops.end());
  ASSERT_EQ(tab_stops.size(), 20u);
  for (uint32_t i = 0; i < 20; ++i) EXPECT_EQ(tab_stops[i].first, i);
  EXPECT_EQ(tab_stops[0].second, app::kIdComboPort);
  EXPECT_EQ(tab_stops[2].second, app::kIdButtonConnect);
  EXPECT_EQ(tab_stops[3].second, app::kIdEditDeviceId);
  EXPECT_EQ(tab_stops[19].second, app::kIdButtonReset);
  EXPECT_FALSE(unit(app::kIdEditMonitor).tab_stop());
  // Tab order values of the contained units are unique, so the window order is fully determined.
  std::set<uint32_t> orders;
  for (size_t i = 1; i < form().units.size(); ++i) orders.insert(form().units[i].tab_order);
  EXPECT_EQ(orders.size(), 55u);
}

TEST_F(MainForm, WindowRecordTitleIconAndOptions) {
  WindowData w;
  ASSERT_TRUE(read_window_data(form().units[0].type_data, w));
  EXPECT_EQ(w.version, 6u);
  EXPECT_EQ(w.title, gbk("GPRS/CDMA DTU 设置软件   Varnel通信科技有限公司 "));
  EXPECT_EQ(w.title.back(), ' ');
  EXPECT_EQ(w.border, 1);
  EXPECT_EQ(w.start_position, 1);
  EXPECT_TRUE(w.esc_closes && w.show_in_taskbar && w.movable && w.max_box && w.min_box && w.control_box);
  EXPECT_FALSE(w.enter_moves_focus || w.f1_help || w.always_on_top || w.drag_anywhere);
  EXPECT_EQ(w.option_a, 1);
  EXPECT_EQ(w.option_h, 1);
  EXPECT_EQ(w.background, kButtonFace);
  EXPECT_FALSE(w.font.has_value());
  EXPECT_TRUE(w.class_name.empty() && w.help_file.empty() && w.background_picture.empty());
  // One 48 x 48 image, 32 bits per pixel, bitmap height doubled for the mask.
  ASSERT_EQ(w.icon.size(), 9662u);
  EXPECT_EQ(std::vector<uint8_t>(w.icon.begin(), w.icon.begin() + 8), (std::vector<uint8_t>{0, 0, 1, 0, 1, 0, 48, 48}));
  EXPECT_EQ(w.icon[22], 40);      // BITMAPINFOHEADER size
  EXPECT_EQ(w.icon[22 + 8], 96);  // height: colour rows plus mask rows
  EXPECT_EQ(w.icon[22 + 14], 32);
}

TEST_F(MainForm, EventsResolveToTheirHandlerSlots) {
  auto slot_of = [](rt::EventHandler h) { return h ? h(nullptr, 0) : -1; };
  EXPECT_EQ(slot_of(form().units[0].handler_for(0)), app::kHandlerFormCreated);
  EXPECT_EQ(slot_of(unit(app::kIdButtonConnect).handler_for(0)), app::kHandlerConnectClicked);
  EXPECT_EQ(slot_of(unit(app::kIdSerialPort).handler_for(1)), app::kHandlerDataReceived);
  EXPECT_EQ(slot_of(unit(app::kIdTimerRxWindow).handler_for(0)), app::kHandlerRxWindowTick);
  EXPECT_EQ(slot_of(unit(app::kIdTimerModePoll).handler_for(0)), app::kHandlerModePollTick);
  EXPECT_EQ(slot_of(unit(app::kIdButtonReset).handler_for(0)), app::kHandlerResetClicked);
  EXPECT_EQ(slot_of(unit(app::kIdEditSms2).handler_for(rt::kEventFocusLost)), app::kHandlerCheckSms2);
  EXPECT_EQ(slot_of(unit(app::kIdComboLinkBaud).handler_for(rt::kEventFocusLost)), app::kHandlerCheckLinkBaud);
  // Nineteen bindings in all, each slot used exactly once.
  std::multiset<int> used;
  for (const auto& u : form().units)
    for (const auto& e : u.events) used.insert(slot_of(e.handler));
  EXPECT_EQ(used.size(), static_cast<size_t>(app::kMainFormHandlerCount));
  for (int s = 0; s < app::kMainFormHandlerCount; ++s) EXPECT_EQ(used.count(s), 1u) << s;
  EXPECT_EQ(unit(app::kIdEditDomain).events.size(), 0u);
}

TEST_F(MainForm, EveryTypeDataBlockReadsBack) {
  for (const auto& u : form().units) {
    const auto td = u.type_data;
    bool ok = false;
    switch (u.data_type) {
      case dtype::kWindow: { WindowData d; ok = read_window_data(td, d); break; }
      case dtype::kEditBox: { EditBoxData d; ok = read_edit_box_data(td, d); break; }
      case dtype::kLabel: { LabelData d; ok = read_label_data(td, d); break; }
      case dtype::kGroupBox: { GroupBoxData d; ok = read_group_box_data(td, d); break; }
      case dtype::kButton: { ButtonData d; ok = read_button_data(td, d); break; }
      case dtype::kComboBox: { ComboBoxData d; ok = read_combo_box_data(td, d); break; }
      case dtype::kIpEditBox: { IpEditBoxData d; ok = read_ip_edit_box_data(td, d); break; }
      case dtype::kTimer:
      case dtype::kSerialPort: ok = td.empty(); break;
    }
    EXPECT_TRUE(ok) << std::hex << u.id;
  }
}

TEST_F(MainForm, EditBoxSettings) {
  EditBoxData port, id, monitor;
  ASSERT_TRUE(read_edit_box_data(unit(app::kIdEditServerPort).type_data, port));
  ASSERT_TRUE(read_edit_box_data(unit(app::kIdEditDeviceId).type_data, id));
  ASSERT_TRUE(read_edit_box_data(unit(app::kIdEditMonitor).type_data, monitor));
  EXPECT_EQ(port.content, "20");
  EXPECT_EQ(port.input_mode, 3);
  EXPECT_EQ(port.alignment, 1);
  EXPECT_FALSE(port.multi_line);
  EXPECT_EQ(id.content, "DT0001");
  EXPECT_EQ(id.input_mode, 0);
  EXPECT_TRUE(monitor.multi_line);
  EXPECT_EQ(monitor.scroll_bars, 2);
  EXPECT_EQ(monitor.alignment, 0);
  EXPECT_TRUE(monitor.content.empty());
  for (const EditBoxData* e : {&port, &id, &monitor}) {
    EXPECT_EQ(e->border, 1);
    EXPECT_EQ(e->text_colour, 0u);
    EXPECT_EQ(e->background, 0xFFFFFFu);
    EXPECT_TRUE(e->hide_selection);
    EXPECT_EQ(e->password_char, '*');
    EXPECT_EQ(e->adjuster_max, 100);
  }
  for (uint32_t phone : {app::kIdEditRing1, app::kIdEditRing2, app::kIdEditSms1, app::kIdEditSms2,
                         app::kIdEditHeartbeat, app::kIdEditCharTimeout}) {
    EditBoxData d;
    ASSERT_TRUE(read_edit_box_data(unit(phone).type_data, d));
    EXPECT_EQ(d.input_mode, 3) << std::hex << phone;
  }
}

TEST_F(MainForm, ComboBoxItemsAndSelections) {
  ComboBoxData port, link, work, apn;
  ASSERT_TRUE(read_combo_box_data(unit(app::kIdComboPort).type_data, port));
  ASSERT_TRUE(read_combo_box_data(unit(app::kIdComboLinkBaud).type_data, link));
  ASSERT_TRUE(read_combo_box_data(unit(app::kIdComboWorkBaud).type_data, work));
  ASSERT_TRUE(read_combo_box_data(unit(app::kIdComboApn).type_data, apn));
  ASSERT_EQ(port.items.size(), 15u);
  EXPECT_EQ(port.items.front(), "COM1");
  EXPECT_EQ(port.items.back(), "COM15");
  EXPECT_EQ(port.initial_selection, 1);
  EXPECT_EQ(link.initial_selection, 0);
  const std::vector<std::string> bauds{"300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
  EXPECT_EQ(link.items, bauds);
  EXPECT_EQ(work.items, bauds);
  EXPECT_EQ(link.item_values, (std::vector<int32_t>{2400, 4800, 9600, 19200, 38400, 57600, 115200}));
  EXPECT_EQ(work.item_values, (std::vector<int32_t>{9600, 19200, 115200}));
  EXPECT_EQ(apn.items, (std::vector<std::string>{"uniwap", "cmwap", "cmnet"}));
  for (const ComboBoxData* c : {&port, &link, &work, &apn}) {
    EXPECT_EQ(c->style, 1);
    EXPECT_EQ(c->extra_item_height, 1);
    EXPECT_TRUE(c->content.empty());
  }
}

TEST_F(MainForm, LabelsButtonsGroupsAndAddress) {
  LabelData web, status;
  ASSERT_TRUE(read_label_data(unit(app::kIdLabelWebAddress).type_data, web));
  ASSERT_TRUE(read_label_data(unit(app::kIdLabelStatusText).type_data, status));
  EXPECT_EQ(web.effect, 2);
  EXPECT_EQ(web.text_colour, 0x0000FFu);
  ASSERT_TRUE(web.font.has_value());
  EXPECT_EQ(web.font->face, gbk("微软雅黑"));
  EXPECT_EQ(web.font->height, -14);
  EXPECT_EQ(web.font->weight, 400);
  EXPECT_EQ(web.font->charset, 134);
  EXPECT_EQ(status.caption, gbk("未连接........"));
  EXPECT_EQ(status.effect, 0);
  EXPECT_FALSE(status.font.has_value());
  EXPECT_EQ(status.frame_width, 8);
  EXPECT_EQ(status.v_align, 1);
  EXPECT_EQ(status.background, kButtonFace);
  ButtonData write;
  ASSERT_TRUE(read_button_data(unit(app::kIdButtonWrite).type_data, write));
  EXPECT_EQ(write.caption, gbk("写入所有设置"));
  EXPECT_EQ(write.h_align, 1);
  GroupBoxData group;
  ASSERT_TRUE(read_group_box_data(unit(app::kIdGroupMonitor).type_data, group));
  EXPECT_EQ(group.caption, gbk("串口通信监测"));
  IpEditBoxData ip;
  ASSERT_TRUE(read_ip_edit_box_data(unit(app::kIdIpEditServerIp).type_data, ip));
  EXPECT_EQ(ip.address, "192.168.0.1");
}

}  // namespace
