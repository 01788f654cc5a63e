#include "main/cli/one_dtu.h"

#include <atomic>
#include <filesystem>
#include <map>
#include <memory>

#include "app/program.h"
#include "app/runtime_calls.h"
#include "app_texts.h"
#include "main/cli/setting_keys.h"
#include "main/cli/settings_record.h"
#include "main/cli/tool_driver.h"
#include "main/cli/work_folder.h"
#include "main/tool.h"
#include "platform/files.h"
#include "platform/gbk_codec.h"
#include "platform/process.h"
#include "runtime/program.h"
#include "runtime/runtime_app.h"

namespace cli {
namespace {

namespace fs = std::filesystem;
namespace unit = app::unit;
namespace texts = app::texts;

// Put into every field before a read: a field that still holds it afterwards got no value
// from the listing. No listing value can hold it (the DTU sends printable text).
const std::string kUnread = "\x7F";
constexpr uint32_t kHandshakeGraceMs = 3000;  // banner seen at the deadline: let the handshake end

std::string absolute(const std::string& path) {
  std::error_code ec;
  const fs::path p = fs::absolute(path, ec);
  return ec ? path : p.string();
}

bool is_text(const std::string& gbk, uint32_t offset) { return gbk == app::text(offset); }

class OneDtu {
 public:
  explicit OneDtu(const OneDtuSetup& setup) : s_(setup), o_(*setup.options), tool_(*setup.backend) {}

  int run();
  void stop(int exit_status, const char* what);  // UI thread
  static int entry();

 private:
  bool prepare();
  void drive();
  bool pick_link();
  bool put_values_and_check();
  bool put_values();
  bool connect();
  bool wait_for_setting_mode();
  bool read_all();
  void read();
  void write();
  void reset();
  void save();
  void disconnect();

  // Records how the work ended; report() says it (the window's own messages have been
  // shown as they came).
  void fail(int status, std::string step, std::string message_utf8);
  bool failed() const { return outcome_.status != kOk; }
  // The newest message shown since `index` (GBK), or "".
  std::string message_since(size_t index) const;
  void on_status(const std::string& gbk);
  void progress(const std::string& utf8) { s_.progress(utf8); }
  void report();

  const OneDtuSetup& s_;
  const Options& o_;
  ToolDriver tool_;
  WorkFolder work_;
  PortName port_;
  std::string save_path_;
  std::map<size_t, std::string> values_;  // --set values by key index, GBK
  Outcome outcome_;
  std::string step_ = "check";
  std::string last_status_;
  bool write_started_ = false;
  bool stopping_ = false;
  bool form_ready_ = false;  // the main form is loaded: its units can be addressed
};

std::atomic<OneDtu*> g_running{nullptr};
platform::headless::HeadlessBackend* g_backend = nullptr;
std::string g_program_path;

std::string work_program_path() { return g_program_path; }

int OneDtu::entry() {
  app::start_program();
  OneDtu* self = g_running.load();
  self->form_ready_ = true;
  self->drive();
  return 0;
}

int OneDtu::run() {
  g_backend = s_.backend;
  g_running.store(this);
  if (!prepare()) {
    report();
    return outcome_.status;
  }
  tool_.watch([this](const std::string& gbk) { on_status(gbk); },
              [this](const std::string& gbk) { progress(terminal_text(gbk)); });
  // A device path stands in for the chosen COM port's device.
  units::set_device_opener([open = s_.open_device, device = port_.device](const std::string& path,
                                                                         platform::SerialError& error) {
    return open(device.empty() ? path : device, error);
  });
  // The work folder is the program's folder for the tool: its settings file lives there.
  g_program_path = work_.path() + "/dtu-setup-cli";
  rt::set_process_services({&work_program_path, &platform::set_current_directory});
  tool::register_layers();
  rt::run_program(tool::startup_record(), &OneDtu::entry);
  work_.remove();
  report();
  return outcome_.status;
}

bool OneDtu::prepare() {
  parse_port(s_.port, port_);
  if (!port_.device.empty()) port_.device = absolute(port_.device);  // the tool changes folder
  // Above the window's COM15: its device stands in for the port the window picks.
  if (port_.com == 0 && port_.number > 0) port_.device = platform::serial_device_path(port_.number);
  if (work_.path().empty()) {
    fail(kFailed, "start", "cannot make a work folder in the temporary folder");
    return false;
  }
  if (!o_.save_file.empty()) {
    save_path_ = absolute(o_.save_file);
    if (!fs::is_directory(fs::path(save_path_).parent_path())) {
      fail(kUsage, "save", "--save " + o_.save_file + ": no such folder");
      return false;
    }
  }
  if (!o_.from_file.empty()) {
    std::string record;
    if (!read_whole_file(o_.from_file, record)) {
      fail(kUsage, "check", "--from " + o_.from_file + ": cannot read it");
      return false;
    }
    const size_t values = settings_record_values(record);
    if (values < kSettingCount) {
      fail(kUsage, "check",
           "--from " + o_.from_file + ": holds " + std::to_string(values) + " values where a settings file holds 13");
      return false;
    }
    if (!write_whole_file(work_.settings_file(), record)) {
      fail(kFailed, "start", "cannot write to the work folder " + work_.path());
      return false;
    }
  }
  for (const SetValue& set : o_.sets) values_[set.key] = *platform::utf8_to_gbk(set.value);
  return true;
}

void OneDtu::drive() {
  if (!pick_link() || !put_values_and_check() || !connect()) return;
  if (wait_for_setting_mode()) {
    switch (o_.command) {
      case Command::Read: read(); break;
      case Command::Write: write(); break;
      case Command::Reset: reset(); break;
      default: break;
    }
  }
  disconnect();
}

bool OneDtu::pick_link() {
  const std::string port = "COM" + std::to_string(port_.com == 0 ? 1 : port_.com);
  if (!tool_.pick_item(unit::kPortBox, port) || !tool_.pick_item(unit::kLinkBaudBox, std::to_string(o_.baud))) {
    fail(kUsage, "open", "the window offers no " + port + " at " + std::to_string(o_.baud) + " baud");
    return false;
  }
  return true;
}

// The --set values go into their fields; an IP address the IP box does not take is refused
// here, since that box has no check of its own and would send an empty address instead.
bool OneDtu::put_values() {
  for (const auto& [key, gbk] : values_) {
    const SettingKey& k = setting_keys()[key];
    tool_.set_field(k.unit, gbk);
    if (k.unit.id == unit::kServerIp.id && !gbk.empty() && tool_.field(k.unit).empty()) {
      fail(kCheckFailed, "check",
                  "IP: \"" + terminal_text(gbk) + "\" is not an IP address (a.b.c.d, each part 0 to 255)");
      return false;
    }
  }
  return true;
}

// Before the port is even opened, each value is checked by leaving its field, as the write
// does: all thirteen when they come from a file, the --set ones when the rest comes from
// the DTU. The window refuses an empty heartbeat or character time-out without a word;
// here the refusal gets the window's message for that field.
bool OneDtu::put_values_and_check() {
  step_ = "check";
  if (!put_values()) return false;
  for (size_t key = 0; key < kSettingCount; ++key) {
    if (o_.from_file.empty() && values_.count(key) == 0) continue;
    const app::UnitId u = setting_keys()[key].unit;
    const size_t before = tool_.messages().size();
    if (!tool_.leave_field(u)) {
      fail(kCheckFailed, "check", terminal_text(message_since(before)));
      return false;
    }
    const bool silent_refusal = (u.id == unit::kHeartbeat.id || u.id == unit::kCharTimeout.id) && tool_.field(u).empty();
    if (silent_refusal) {
      fail(kCheckFailed, "check",
                  terminal_text(app::text(u.id == unit::kHeartbeat.id ? texts::msg_bad_heartbeat
                                                                      : texts::msg_char_timeout_empty)));
      return false;
    }
  }
  return true;
}

bool OneDtu::connect() {
  step_ = "open";
  const size_t before = tool_.messages().size();
  tool_.click(unit::kConnectButton);
  if (tool_.connected()) return true;
  const std::string message = message_since(before);
  fail(kPortNotOpened, "open", terminal_text(message.empty() ? app::text(texts::msg_port_open_failed) : message));
  return false;
}

bool OneDtu::wait_for_setting_mode() {
  step_ = "boot";
  progress("waiting up to " + o_.boot_wait_text + " s for the DTU on " + s_.port +
           " to be powered on (switch it on or restart it now)");
  auto in_setting_mode = [this] { return tool_.enabled(unit::kReadButton); };
  auto banner_seen = [this] { return tool_.monitor().find(app::text(texts::banner)) != std::string::npos; };
  tool_.run_until(in_setting_mode, static_cast<uint32_t>(o_.boot_wait_ms));
  if (!in_setting_mode() && banner_seen() && !is_text(tool_.status(), texts::status_entering))
    tool_.run_until([&] { return in_setting_mode() || is_text(tool_.status(), texts::status_entering); },
                    kHandshakeGraceMs);
  if (in_setting_mode()) return true;
  if (banner_seen())
    fail(kNoSettingMode, "boot", "the DTU booted but did not confirm the setting-mode request");
  else
    fail(kNoSettingMode, "boot",
         "no boot banner within " + o_.boot_wait_text + " s (power the DTU on after the port is opened; check the "
         "port and the baud rate)");
  return false;
}

// Reads the DTU's settings into the fields; a listing that leaves any field without its
// value is refused, since that field would still show what was there before.
bool OneDtu::read_all() {
  step_ = "read";
  for (const SettingKey& k : setting_keys())
    if (k.unit.id != unit::kServerIp.id) tool_.set_field(k.unit, kUnread);
  const size_t before = tool_.messages().size();
  tool_.click(unit::kReadButton);
  const std::string message = message_since(before);
  if (!is_text(message, texts::msg_read_ok)) {
    fail(kNoAnswer, "read", terminal_text(message.empty() ? app::text(texts::msg_read_failed) : message));
    return false;
  }
  std::string missing;
  for (const SettingKey& k : setting_keys())
    if (tool_.field(k.unit) == kUnread) missing += (missing.empty() ? "" : " ") + std::string(k.name);
  if (!missing.empty()) {
    fail(kNoAnswer, "read", "the DTU's listing lacks " + missing + "; nothing is taken from it");
    return false;
  }
  return true;
}

void OneDtu::read() {
  if (!read_all()) return;
  for (const SettingKey& k : setting_keys()) outcome_.values.push_back(terminal_text(tool_.field(k.unit)));
  if (!save_path_.empty()) save();
  if (!failed()) outcome_ = {kOk, "done", terminal_text(app::text(texts::msg_read_ok)), outcome_.values};
}

void OneDtu::write() {
  if (o_.from_file.empty() && (!read_all() || !put_values())) return;
  step_ = "check";
  write_started_ = false;
  const size_t before = tool_.messages().size();
  tool_.click(unit::kWriteButton);
  const std::string message = message_since(before);
  if (!write_started_) {
    fail(kCheckFailed, "check", message.empty() ? "the field checks refused the values" : terminal_text(message));
  } else if (is_text(message, texts::msg_write_ok)) {
    outcome_ = {kOk, "done", terminal_text(message), {}};
  } else if (is_text(message, texts::msg_char_timeout_empty)) {
    fail(kCheckFailed, step_, terminal_text(message));
  } else {
    fail(kNoAnswer, step_, terminal_text(message));
  }
}

void OneDtu::reset() {
  step_ = "reset";
  const size_t before = tool_.messages().size();
  tool_.click(unit::kResetButton);
  const std::string message = message_since(before);
  if (is_text(message, texts::msg_reset_ok))
    outcome_ = {kOk, "done", terminal_text(message), {}};
  else
    fail(kNoAnswer, "reset", terminal_text(message));
}

// The tool's own save into the work folder's settings file (which it never creates), then
// that file, whole, in place of --save's.
void OneDtu::save() {
  step_ = "save";
  if (!fs::exists(work_.settings_file())) write_whole_file(work_.settings_file(), "");
  const size_t before = tool_.messages().size();
  tool_.click(unit::kSaveButton);
  const std::string message = message_since(before);
  std::string record;
  if (!is_text(message, texts::msg_save_ok)) {
    fail(is_text(message, texts::msg_save_bad_value) ? kCheckFailed : kFailed, "save", terminal_text(message));
  } else if (!read_whole_file(work_.settings_file(), record) ||
             !platform::replace_file_atomically(save_path_, record.data(), record.size())) {
    fail(kUsage, "save", "--save " + o_.save_file + ": cannot write it; it is left as it was");
  }
}

void OneDtu::disconnect() {
  if (tool_.connected()) tool_.click(unit::kConnectButton);
}

void OneDtu::stop(int exit_status, const char* what) {
  if (stopping_) return;
  stopping_ = true;
  const std::string cut = step_;
  progress(std::string("stopped by ") + what + " during step " + cut + "; closing the port");
  if (form_ready_ && tool_.connected()) tool_.click(unit::kConnectButton);
  outcome_ = {exit_status, cut, std::string("stopped by ") + what, outcome_.values};
  work_.remove();
  report();
  platform::backend().exit_process(exit_status);
}

void OneDtu::fail(int status, std::string step, std::string message_utf8) {
  outcome_.status = status;
  outcome_.step = std::move(step);
  outcome_.message = std::move(message_utf8);
}

std::string OneDtu::message_since(size_t index) const {
  const auto& all = tool_.messages();
  return all.size() > index ? all.back() : std::string();
}

void OneDtu::on_status(const std::string& gbk) {
  if (gbk == last_status_) return;
  last_status_ = gbk;
  progress(terminal_text(gbk));
  for (const SettingKey& k : setting_keys())
    if (is_text(gbk, k.write_status)) {
      step_ = std::string(k.name);
      write_started_ = true;
    }
}

void OneDtu::report() {
  const bool read = o_.command == Command::Read;
  if (o_.json) {
    s_.output(json_line(s_.port, outcome_, read));
  } else if (!outcome_.values.empty()) {
    s_.output(key_value_lines(outcome_.values));
  }
  if (failed())
    progress("failed at step " + outcome_.step + " (exit status " + std::to_string(outcome_.status) +
             "): " + outcome_.message);
}

}  // namespace

int run_one_dtu(const OneDtuSetup& setup) {
  // Lives to the process's end: a stop request may still point at it.
  static std::unique_ptr<OneDtu> running;
  running = std::make_unique<OneDtu>(setup);
  return running->run();
}

void stop_one_dtu(int exit_status, const char* what) {
  OneDtu* running = g_running.load();
  if (!running || !g_backend) return;
  g_backend->schedule(g_backend->now(), [running, exit_status, what] { running->stop(exit_status, what); });
}

}  // namespace cli
