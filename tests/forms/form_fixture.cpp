#include "tests/forms/form_fixture.h"

#include <ostream>

#include "forms/extended_ui_library.h"
#include "forms/standard_types.h"
#include "forms/type_data_encoder.h"
#include "platform/backend.h"
#include "platform/gbk_codec.h"
#include "runtime/core_services.h"
#include "runtime/program.h"
#include "runtime/runtime_app.h"
#include "runtime/window_router.h"

namespace forms_test {
namespace {

std::vector<Logged> g_log;
std::function<int32_t(uint32_t, int32_t)> g_hook;

int32_t record(int32_t event) {
  const uint32_t unit = forms::form_runtime().current_event_source().second;
  g_log.push_back({unit, event});
  return g_hook ? g_hook(unit, event) : 1;
}

int32_t on_0(const int32_t*, int) { return record(0); }
int32_t on_1(const int32_t*, int) { return record(1); }
int32_t on_3(const int32_t*, int) { return record(3); }
int32_t on_4(const int32_t*, int) { return record(4); }
int32_t on_gained(const int32_t*, int) { return record(-7); }
int32_t on_lost(const int32_t*, int) { return record(-8); }

const rt::EventHandler kHandlers[] = {on_0, on_1, on_3, on_4, on_gained, on_lost};
const rt::CodeBase kCodeBase{6, kHandlers};
constexpr int32_t slot(int i) { return i * static_cast<int32_t>(sizeof(rt::EventHandler)); }
const std::vector<forms::EventDescription> kWindowEvents = {{0, slot(0)}, {1, slot(1)}, {3, slot(2)},
                                                            {4, slot(3)}, {-7, slot(4)}, {-8, slot(5)}};
const std::vector<forms::EventDescription> kControlEvents = {{0, slot(0)}, {-7, slot(4)}, {-8, slot(5)}};

// The core library as the tests need it: the standard types at their type numbers.
rt::UnitTypeRecord g_core_types[51];
const rt::LibraryDescriptor g_core = [] {
  for (int n = 1; n <= 51; ++n)
    if (const rt::UnitTypeRecord* t = forms::standard_type_record(n)) g_core_types[n - 1] = *t;
  rt::LibraryDescriptor d{};
  d.marker = 0x01312D65;
  d.type_count = 51;
  d.types = g_core_types;
  return d;
}();
const rt::LibraryDescriptor g_special{};
const rt::LibraryDescriptor* const g_libraries[] = {&g_core, &g_special, &forms::extended_ui_library()};
const rt::StartupRecord g_record{3, 0, 0, &kCodeBase, nullptr, 0, nullptr, 0, 3, g_libraries, 0};

forms::UnitDescription unit(uint32_t id, uint32_t type, const std::vector<uint8_t>& data, uint32_t flags,
                            uint32_t tab, uint32_t container = 0) {
  forms::UnitDescription u;
  u.id = id;
  u.data_type = type;
  u.name = "u" + std::to_string(id & 0xFFFF);
  u.left = 10, u.top = 10, u.width = 100, u.height = 20;
  u.container_id = container;
  u.state_flags = flags;
  u.tab_order = tab;
  u.mouse_pointer = {0, 0, 0, 0};
  u.events = kControlEvents;
  u.type_data = data;
  return u;
}

std::vector<uint8_t> edit(int mode, bool multi_line = false) {
  forms::EditBoxData d;
  d.input_mode = mode;
  d.multi_line = multi_line;
  d.content = "120";
  return forms::encode_edit_box_data(d);
}

std::vector<uint8_t> combo(int items) {
  forms::ComboBoxData d;
  for (int i = 0; i < items; ++i) d.items.push_back(std::to_string(300 << i));
  return forms::encode_combo_box_data(d);
}

}  // namespace

std::ostream& operator<<(std::ostream& os, const Logged& l) {
  return os << std::hex << "{0x" << l.unit << std::dec << ", " << l.event << "}";
}

std::string gbk(const std::string& utf8) { return platform::utf8_to_gbk(utf8).value(); }

forms::FormDescription test_form() {
  using namespace forms;
  constexpr uint32_t kShown = kStateVisible, kStop = kStateVisible | kStateTabStop;
  WindowData w;
  w.border = 1;
  w.start_position = 1;
  w.esc_closes = true;
  w.title = gbk("测试窗口");
  UnitDescription own = unit(kFormOwnUnitId, dtype::kWindow, encode_window_data(w), kShown, 0);
  own.name.clear();
  own.left = 50, own.top = 50, own.width = 591, own.height = 617;
  own.events = kWindowEvents;

  GroupBoxData g;
  g.caption = gbk("基本设置");
  ButtonData b;
  b.caption = gbk("连接设备");
  LabelData l;
  l.caption = gbk("未连接........");
  IpEditBoxData ip;
  ip.address = "192.168.0.1";

  FormDescription f;
  f.id = kForm;
  f.units = {own,
             unit(kDigits, dtype::kEditBox, edit(3), kStop, 1, kGroup),
             unit(kByteBox, dtype::kEditBox, edit(5), kStop, 2, kGroup),
             unit(kButton, dtype::kButton, encode_button_data(b), kStop, 0),
             unit(kDisabledButton, dtype::kButton, encode_button_data(b), kStop | kStateDisabled, 3),
             unit(kCombo, dtype::kComboBox, combo(10), kStop, 4),
             unit(kEmptyCombo, dtype::kComboBox, combo(0), kStop, 5),
             unit(kIp, dtype::kIpEditBox, encode_ip_edit_box_data(ip), kStop, 6),
             unit(kLabel, dtype::kLabel, encode_label_data(l), kShown, 0),
             unit(kMonitor, dtype::kEditBox, edit(0, true), kShown, 0),
             unit(kGroup, dtype::kGroupBox, encode_group_box_data(g), kShown, 0)};
  f.units[10].child_ids = {kDigits, kByteBox};
  return f;
}

void FormTest::SetUp() {
  backend_ = std::make_unique<platform::headless::HeadlessBackend>();
  backend_->set_exit_throws(true);
  platform::set_backend(backend_.get());
  rt::reset_runtime_for_tests();
  rt::set_startup_record(&g_record);
  rt::install_window_router();
  forms::register_form_runtime();
  g_log.clear();
  g_hook = nullptr;
}

void FormTest::TearDown() {
  g_hook = nullptr;
  host().free_templates();
  rt::reset_runtime_for_tests();
  platform::set_backend(nullptr);
}

bool FormTest::load(const forms::FormDescription& form) {
  const std::vector<uint8_t> segment = forms::encode_template_segment({form});
  if (!host().load_templates(segment.data(), segment.size(), &kCodeBase)) return false;
  return host().load_form(form.id);
}

std::string FormTest::read_text(uint32_t unit, int index) {
  char* p = reinterpret_cast<char*>(static_cast<uintptr_t>(host().read_property(kForm, unit, index, -1)));
  std::string out = p ? p : "";
  rt::free(p);
  return out;
}

void FormTest::write_text(uint32_t unit, int index, const std::string& gbk_text) {
  host().write_property(kForm, unit, index, -1, reinterpret_cast<uintptr_t>(gbk_text.c_str()), 0);
}

std::vector<Logged>& FormTest::log() { return g_log; }
void FormTest::set_hook(std::function<int32_t(uint32_t, int32_t)> hook) { g_hook = std::move(hook); }

}  // namespace forms_test
