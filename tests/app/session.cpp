#include "tests/app/session.h"

#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <sstream>

#include "app/globals.h"
#include "app/program.h"
#include "platform/backend.h"
#include "platform/gbk_codec.h"
#include "platform/process.h"
#include "runtime/form_host.h"
#include "runtime/helpers.h"
#include "main/tool.h"
#include "runtime/program.h"
#include "runtime/runtime_app.h"
#include "tests/app/tool_probe.h"

namespace app_test {
namespace {

std::string g_program_dir;

std::string test_program_path() { return g_program_dir + "/dtu-setup"; }
bool test_set_directory(const std::string& dir) { return platform::set_current_directory(dir); }

std::string make_temp_dir() {
  std::random_device rd;
  auto dir = std::filesystem::temp_directory_path() / ("dtu-app-test-" + std::to_string(rd()) + std::to_string(rd()));
  std::filesystem::create_directories(dir);
  return dir.string();
}

}  // namespace

std::string gbk(const std::string& utf8_text) { return platform::utf8_to_gbk(utf8_text).value(); }
std::string utf8(const std::string& gbk_text) { return platform::gbk_to_utf8_lossy(gbk_text); }

void PrintTo(const Scene& s, std::ostream* os) {
  *os << "{caption \"" << s.caption << "\", connected " << s.connected << ", status \"" << s.status << "\", operations "
      << (s.operations_disabled ? "disabled" : "not all disabled") << ", port " << (s.port_open ? "open" : "closed");
  if (!s.message.empty()) *os << ", box \"" << s.message << "\"";
  *os << "}";
}

void Session::SetUp() {
  rt::reset_runtime_for_tests();
  platform::set_backend(&backend_);
  backend_.set_exit_throws(true);
  dir_ = make_temp_dir();
  g_program_dir = dir_;
  rt::set_process_services({test_program_path, test_set_directory});
  tool::register_layers();
  rt::set_startup_record(&tool::startup_record());
  dtusim::Config config;
  config.baud = 9600;
  dtu_ = std::make_shared<dtusim::HeadlessPeer>(config);
  backend_.add_serial_peer(platform::serial_device_path(2), dtu_);
}

void Session::TearDown() {
  // The program's end: its end-of-program routine releases the globals.
  if (started_) rt::shutdown(0);
  started_ = false;
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

void Session::start(std::optional<std::string> settings_file) {
  if (settings_file) write_file(*settings_file);
  try {
    started_ = true;
    app::start_program();
    backend_.settle();
  } catch (const platform::headless::ProcessExit& e) {
    FAIL() << "the program ended with " << e.code << ": " << last_message();
  }
}

platform::Handle Session::window(app::UnitId u) { return tool_probe::window(u); }
std::string Session::read_text(app::UnitId u, int index) { return tool_probe::read_text(u, index); }
int32_t Session::read_int(app::UnitId u, int index) { return tool_probe::read_int(u, index); }
std::string Session::value(app::UnitId u) { return tool_probe::value(u); }
bool Session::disabled(app::UnitId u) { return read_int(u, app::prop::kDisabled) != 0; }
bool Session::operations_enabled() { return tool_probe::operations_enabled(); }

bool Session::operations_disabled() {
  for (auto u : {app::unit::kReadButton, app::unit::kSaveButton, app::unit::kWriteButton, app::unit::kResetButton})
    if (!disabled(u)) return false;
  return true;
}

std::string Session::status() { return read_text(app::unit::kStatusLine, app::prop::kLabelCaption); }
std::string Session::monitor() { return read_text(app::unit::kMonitor, app::prop::kEditContent); }
std::string Session::connect_caption() { return read_text(app::unit::kConnectButton, app::prop::kButtonCaption); }

void Session::click(app::UnitId u) { backend_.click(window(u)); }

void Session::set_field(app::UnitId u, const std::string& gbk_text) {
  platform::Handle w = window(u);
  if (u.type == app::type::kIpEditBox) {
    rt::helpers().write_property(app::kMainForm, u.id, app::prop::kIpAddress, -1,
                                 reinterpret_cast<uintptr_t>(gbk_text.c_str()), 0);
    return;
  }
  backend_.set_text(w, "");
  backend_.paste(w, gbk_text);
}

void Session::choose(app::UnitId combo, const std::string& item) {
  platform::Handle w = window(combo);
  for (int i = 0; i < backend_.combo_count(w); ++i) {
    if (backend_.combo_item(w, i) != item) continue;
    backend_.combo_set_current(w, i);
    return;
  }
  ADD_FAILURE() << "no list entry " << utf8(item);
}

bool Session::connect_and_enter_setting_mode() {
  click(app::unit::kConnectButton);
  backend_.run_for(4000);
  return operations_enabled();
}

std::vector<std::string> Session::messages() {
  std::vector<std::string> out;
  for (const auto& m : backend_.message_boxes()) out.push_back(utf8(m.text));
  return out;
}

std::string Session::last_message() {
  auto all = messages();
  return all.empty() ? std::string() : all.back();
}

Scene Session::scene(const std::string& message) {
  return {utf8(connect_caption()), app::globals().connected, utf8(status()), operations_disabled(), dtu_->is_open(),
          message};
}

void Session::record_scenes_at_boxes() {
  backend_.set_message_box_answer([this](const platform::headless::MessageBoxRecord& box) {
    box_scenes_.push_back(scene(utf8(box.text)));
    return 1;  // OK
  });
}

void Session::when(std::function<bool()> condition, std::function<void()> action) {
  backend_.schedule(backend_.now() + 1, [this, condition = std::move(condition), action = std::move(action)]() mutable {
    if (condition()) return action();
    when(std::move(condition), std::move(action));
  });
}

std::shared_ptr<dtusim::HeadlessPeer> Session::add_dtu(int port, dtusim::Config config) {
  auto peer = std::make_shared<dtusim::HeadlessPeer>(std::move(config));
  backend_.add_serial_peer(platform::serial_device_path(port), peer);
  return peer;
}

std::string Session::file_bytes() const {
  std::ifstream in(settings_path(), std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void Session::write_file(const std::string& bytes) const {
  std::ofstream(settings_path(), std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace app_test
