#include "main/cli/one_dtu.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

#include "app/runtime_calls.h"
#include "app/settings_table.h"
#include "app_texts.h"
#include "main/cli/dtu_driver.h"
#include "main/cli/settings_record.h"
#include "main/cli/port_choice.h"
#include "main/cli/tool_driver.h"
#include "main/cli/tool_run.h"
#include "main/cli/work_folder.h"
#include "platform/files.h"
#include "platform/gbk_codec.h"
#include "platform/process.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

std::string absolute(const std::string& path) {
  std::error_code ec;
  const fs::path p = fs::absolute(path, ec);
  return ec ? path : p.string();
}

std::string name_of(app::Key key) { return std::string(app::setting(key).name); }

class OneDtu {
 public:
  explicit OneDtu(const OneDtuSetup& setup) : setup_(setup), options_(*setup.options) {}

  int run();
  void stop(int exit_status, const char* what);  // UI thread

 private:
  bool prepare();
  void drive();
  bool choose_link();
  bool put_values();
  bool put_values_and_check();
  bool connect();
  bool wait_for_setting_mode();
  std::optional<Reading> read_all();
  void read();
  void write();
  void reset();
  void save();

  // Records how the work ended; report() says it (the window's own messages have been
  // shown as they came).
  void fail(int status, std::string step, std::string message_utf8);
  bool failed() const { return outcome_.status != kOk; }
  void on_status(const std::string& gbk);
  void progress(const std::string& utf8) { setup_.progress(utf8); }
  void report();

  const OneDtuSetup& setup_;
  const Options& options_;
  DtuDriver* dtu_ = nullptr;
  WorkFolder work_;
  PortChoice port_;
  std::string save_path_;
  std::map<app::Key, std::string> values_;  // the --set values, GBK
  Outcome outcome_;
  std::string step_ = "check";  // the step under way, as the report names it
  std::string last_status_;
  bool stopping_ = false;
  bool form_ready_ = false;  // the main form is loaded: its units can be addressed
};

std::atomic<OneDtu*> g_running{nullptr};

int OneDtu::run() {
  g_running.store(this);
  if (!prepare()) {
    report();
    g_running.store(nullptr);
    return outcome_.status;
  }
  ToolRun run;
  run.folder = work_.path();
  run.devices = port_.devices;
  run.backend = setup_.backend;
  run.on_status = [this](const std::string& gbk) { on_status(gbk); };
  run.on_message = [this](const std::string& gbk) { progress(terminal_text(gbk)); };
  run.work = [this](ToolDriver&, DtuDriver& dtu) {
    dtu_ = &dtu;
    form_ready_ = true;
    drive();
  };
  run_tool(run);
  dtu_ = nullptr;
  work_.remove();
  report();
  g_running.store(nullptr);
  return outcome_.status;
}

bool OneDtu::prepare() {
  PortName name;
  parse_port(setup_.port, name);
  port_ = choose_port(name, setup_.open_device);
  if (work_.path().empty()) {
    fail(kFailed, "start", "cannot make a work folder in the temporary folder");
    return false;
  }
  if (!options_.save_file.empty()) {
    save_path_ = absolute(options_.save_file);
    if (!fs::is_directory(fs::path(save_path_).parent_path())) {
      fail(kUsage, "save", "--save " + options_.save_file + ": no such folder");
      return false;
    }
  }
  if (!options_.from_file.empty()) {
    std::string record;
    if (!read_whole_file(options_.from_file, record)) {
      fail(kUsage, "check", "--from " + options_.from_file + ": cannot read it");
      return false;
    }
    const size_t values = settings_record_values(record);
    if (values < app::kSettingCount) {
      fail(kUsage, "check",
           "--from " + options_.from_file + ": holds " + std::to_string(values) +
               " values where a settings file holds 13");
      return false;
    }
    if (!write_whole_file(work_.settings_file(), record)) {
      fail(kFailed, "start", "cannot write to the work folder " + work_.path());
      return false;
    }
  }
  for (const SetValue& set : options_.sets) values_[set.key] = *platform::utf8_to_gbk(set.value);
  return true;
}

void OneDtu::drive() {
  if (!choose_link() || !put_values_and_check() || !connect()) return;
  if (wait_for_setting_mode()) {
    switch (options_.command) {
      case Command::Read: read(); break;
      case Command::Write: write(); break;
      case Command::Reset: reset(); break;
      default: break;
    }
  }
  dtu_->disconnect();
}

bool OneDtu::choose_link() {
  if (dtu_->choose_link(port_.com, options_.baud)) return true;
  fail(kUsage, "open", no_such_link(port_.com, options_.baud));
  return false;
}

// The --set values go into their fields; an IP address the IP box does not take is refused
// here, since that box has no check of its own and would send an empty address instead.
bool OneDtu::put_values() {
  for (const auto& [key, gbk] : values_) {
    if (dtu_->put_value(key, gbk)) continue;
    fail(kCheckFailed, "check",
         name_of(key) + ": \"" + terminal_text(gbk) + "\" is not an IP address (a.b.c.d, each part 0 to 255)");
    return false;
  }
  return true;
}

// Before the port is even opened, each value is checked by leaving its field, as the write
// does: all thirteen when they come from a file, the --set ones when the rest comes from
// the DTU.
bool OneDtu::put_values_and_check() {
  step_ = "check";
  if (!put_values()) return false;
  for (const app::Setting& s : app::kSettings) {
    if (options_.from_file.empty() && values_.count(s.key) == 0) continue;
    const app::CheckResult check = dtu_->check_field(s.key);
    if (check.passed) continue;
    fail(kCheckFailed, "check", tool_message(app::refusal_message(check)));
    return false;
  }
  return true;
}

bool OneDtu::connect() {
  step_ = "open";
  const OperationEnd end = dtu_->connect();
  if (end.ok()) return true;
  fail(kPortNotOpened, "open", tool_message(end.message, "the port was not opened"));
  return false;
}

bool OneDtu::wait_for_setting_mode() {
  step_ = "boot";
  progress("waiting up to " + options_.boot_wait_text + " s for the DTU on " + setup_.port +
           " to be powered on (switch it on or restart it now)");
  switch (dtu_->wait_for_setting_mode(static_cast<uint32_t>(options_.boot_wait_ms))) {
    case ModeWait::SettingMode:
      return true;
    case ModeWait::Unconfirmed:
      fail(kNoSettingMode, "boot", "the DTU booted but did not confirm the setting-mode request");
      return false;
    case ModeWait::NoBanner:
      break;
  }
  fail(kNoSettingMode, "boot",
       "no boot banner within " + options_.boot_wait_text +
           " s (power the DTU on after the port is opened; check the port and the baud rate)");
  return false;
}

// Reads the DTU's settings into the fields; a listing that leaves any field without its
// value is refused, since that field would still show what was there before.
std::optional<Reading> OneDtu::read_all() {
  step_ = "read";
  const Reading reading = dtu_->read_settings();
  if (!reading.end.ok()) {
    fail(kNoAnswer, "read", tool_message(reading.end.message, "the read was cut short"));
    return std::nullopt;
  }
  if (!reading.missing.empty()) {
    std::string missing;
    for (app::Key key : reading.missing) missing += (missing.empty() ? "" : " ") + name_of(key);
    fail(kNoAnswer, "read", "the DTU's listing lacks " + missing + "; nothing is taken from it");
    return std::nullopt;
  }
  return reading;
}

void OneDtu::read() {
  const std::optional<Reading> reading = read_all();
  if (!reading) return;
  for (const std::string& v : reading->values) outcome_.values.push_back(terminal_text(v));
  if (!save_path_.empty()) save();
  if (!failed()) outcome_ = {kOk, "done", tool_message(reading->end.message), outcome_.values};
}

void OneDtu::write() {
  if (options_.from_file.empty() && (!read_all() || !put_values())) return;
  step_ = "check";
  const OperationEnd end = dtu_->write_settings();
  const std::string message = tool_message(end.message);
  if (end.ok()) {
    outcome_ = {kOk, "done", message, {}};
  } else if (!end.step) {
    fail(kCheckFailed, "check", message.empty() ? "the field checks refused the values" : message);
  } else {
    step_ = name_of(*end.step);
    fail(end.outcome == app::Outcome::Refused ? kCheckFailed : kNoAnswer, step_, message);
  }
}

void OneDtu::reset() {
  step_ = "reset";
  const OperationEnd end = dtu_->reset();
  if (end.ok())
    outcome_ = {kOk, "done", tool_message(end.message), {}};
  else
    fail(kNoAnswer, "reset", tool_message(end.message));
}

// The tool's own save into the work folder's settings file (which it never creates), then
// that file, whole, in place of --save's.
void OneDtu::save() {
  step_ = "save";
  if (!fs::exists(work_.settings_file())) write_whole_file(work_.settings_file(), "");
  const OperationEnd end = dtu_->save();
  std::string record;
  if (!end.ok()) {
    fail(end.outcome == app::Outcome::Refused ? kCheckFailed : kFailed, "save", tool_message(end.message));
  } else if (!read_whole_file(work_.settings_file(), record) ||
             // A new file is made whole, an existing one replaced whole.
             !(platform::create_file_atomically(save_path_, record.data(), record.size()) ||
               platform::replace_file_atomically(save_path_, record.data(), record.size()))) {
    fail(kUsage, "save", "--save " + options_.save_file + ": cannot write it; it is left as it was");
  }
}

void OneDtu::stop(int exit_status, const char* what) {
  if (stopping_) return;
  stopping_ = true;
  std::string cut = step_;
  if (dtu_) {
    if (const std::optional<app::Key> step = dtu_->write_step()) cut = name_of(*step);
  }
  progress(std::string("stopped by ") + what + " during step " + cut + "; closing the port");
  if (form_ready_ && dtu_) dtu_->disconnect();
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

void OneDtu::on_status(const std::string& gbk) {
  if (gbk == last_status_) return;  // shown once while it stands
  last_status_ = gbk;
  progress(terminal_text(gbk));
}

void OneDtu::report() {
  const bool read = options_.command == Command::Read;
  if (options_.json) {
    setup_.output(json_line(setup_.port, outcome_, read));
  } else if (!outcome_.values.empty()) {
    setup_.output(key_value_lines(outcome_.values));
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
  // Before the tool runs nothing is open: the process ends at once.
  OneDtu* running = g_running.load();
  if (!running || !post_to_tool([running, exit_status, what] { running->stop(exit_status, what); }))
    std::_Exit(exit_status);
}

}  // namespace cli
