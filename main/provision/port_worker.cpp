#include "main/provision/port_worker.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/read_settings.h"
#include "app/runtime_calls.h"
#include "app/settings_table.h"
#include "app_texts.h"
#include "main/cli/options.h"
#include "main/cli/port_choice.h"
#include "main/cli/report.h"
#include "main/cli/tool_run.h"
#include "main/cli/work_folder.h"
#include "main/journal/journal.h"
#include "main/provision/port_flow.h"
#include "main/provision/session_keeper.h"
#include "platform/backend.h"
#include "platform/gbk_codec.h"
#include "platform/process.h"

namespace provision {
namespace {

using cli::DtuDriver;
using cli::SettingValues;
using Clock = std::chrono::steady_clock;

journal::Values utf8_values(const SettingValues& gbk) {
  journal::Values out;
  for (const std::string& v : gbk) out.push_back(cli::terminal_text(v));
  return out;
}

// What a read shows of a value the DTU took as written: the set command carries the field's
// text (trimmed where the write trims it), the DTU lists an empty value as the unset marker,
// and the read takes the listing's value by the window's own rule.
std::string shown_after_read(const app::Setting& s, const std::string& field) {
  const std::string sent = s.write.trimmed ? std::string(app::trimmed(field.c_str()).view()) : field;
  const char* listed = sent.empty() ? app::text(app::texts::unset_marker) : sent.c_str();
  return app::field_text_from_listing(s, listed);
}

// The DTU on the port, through the tool's window as a technician would drive it.
class ToolDtuPort final : public DtuPort {
 public:
  ToolDtuPort(DtuDriver& dtu, int com, int baud) : dtu_(dtu), com_(com), baud_(baud) {}

  bool open(std::string& why) override {
    const cli::OperationEnd opened = dtu_.connect();
    if (!opened.ok()) why = cli::tool_message(opened.message, "the port was not opened");
    return opened.ok();
  }
  Boot wait_for_boot(int64_t within_ms) override {
    switch (dtu_.wait_for_setting_mode(static_cast<uint32_t>(within_ms))) {
      case cli::ModeWait::SettingMode: return Boot::SettingMode;
      case cli::ModeWait::Unconfirmed: return Boot::Unconfirmed;
      case cli::ModeWait::NoBanner: break;
    }
    return dtu_.connected() ? Boot::NoBanner : Boot::LinkLost;
  }
  DtuRead read() override {
    const cli::Reading r = dtu_.read_settings();
    if (!r.ok()) return {false, r.end.ok() ? "its listing lacks settings" : cli::tool_message(r.end.message, "the read was cut short"), {}};
    return {true, "", utf8_values(r.values)};
  }
  bool holds(const journal::Values& target, const journal::Values& read) override {
    std::string refused;
    return differences(target_fields(target, refused), gbk_values(read)).empty();
  }
  DtuWrite write(const journal::Values& target) override {
    std::string refused;
    written_ = target_fields(target, refused);
    if (!refused.empty()) return {false, false, "check", refused + " was refused by its field"};
    const cli::OperationEnd end = dtu_.write_settings();
    if (end.ok()) return {true, true, "", ""};
    // The checks run before the first command: a write they stop sent nothing.
    const bool reached = end.step.has_value();
    const std::string step = end.step ? std::string(app::setting(*end.step).name) : "check";
    return {false, reached, step, cli::tool_message(end.message, "the write was cut short")};
  }
  DtuReadBack read_back(const journal::Values&) override {
    const cli::Reading back = dtu_.read_settings();
    if (!back.ok())
      return {false, "read-back",
              back.end.ok() ? "its listing lacks settings" : cli::tool_message(back.end.message, "no listing"), {}};
    const journal::Values after = utf8_values(back.values);
    std::string message;
    for (const auto& d : differences(written_, back.values)) message += (message.empty() ? "" : "; ") + d;
    return {message.empty(), "read-back", message, after};
  }
  void close() override { dtu_.disconnect(); }

  bool choose_link() { return dtu_.choose_link(com_, baud_); }

 private:
  // The unit's values put into the window's fields; each field's value as the window then
  // holds it. `refused`: the first field that did not take its value.
  SettingValues target_fields(const journal::Values& target, std::string& refused) {
    SettingValues fields;
    for (const app::Setting& s : app::kSettings) {
      const size_t i = app::index_of(s.key);
      const std::string gbk = i < target.size() ? platform::utf8_to_gbk(target[i]).value_or(std::string()) : "";
      if (!dtu_.put_value(s.key, gbk) && refused.empty()) refused = std::string(s.name);
      fields[i] = dtu_.value(s.key);
    }
    return fields;
  }

  static SettingValues gbk_values(const journal::Values& utf8) {
    SettingValues out;
    for (size_t i = 0; i < out.size() && i < utf8.size(); ++i) out[i] = platform::utf8_to_gbk(utf8[i]).value_or(utf8[i]);
    return out;
  }

  // The settings whose read-back differs from what was written, as "KEY reads "x" where "y"
  // was written". What a read shows of a written value is asked of the window itself: the
  // listing's text by the setting's rule, put into its field as the read puts it (the IP box
  // keeps no text that is not an address, a number goes through the tool's conversion).
  std::vector<std::string> differences(const SettingValues& written, const SettingValues& read) {
    std::vector<std::string> out;
    for (const app::Setting& s : app::kSettings) {
      const size_t i = app::index_of(s.key);
      dtu_.put_value(s.key, shown_after_read(s, written[i]));
      const std::string expected = dtu_.value(s.key);
      if (read[i] != expected)
        out.push_back(std::string(s.name) + " reads \"" + cli::terminal_text(read[i]) + "\" where \"" +
                      cli::terminal_text(expected) + "\" was written");
    }
    return out;
  }

  DtuDriver& dtu_;
  const int com_, baud_;
  SettingValues written_;
};

// The bench around the port: the journal named on the command line, the lease kept on a
// thread of its own, the real clock, the tool kept running while the port waits, the lines
// on the console.
class PortWorker final : public PortHost {
 public:
  PortWorker(const ProductionOptions& o, const platform::headless::SerialOpener& devices, const Console& console)
      : o_(o), port_(o.ports.at(0)), console_(console), devices_(devices) {}

  int run();
  void stop(int exit_status, const char* what);  // UI thread

  std::unique_ptr<journal::Journal> open_journal() override { return journal::Journal::open(o_.db, false); }
  void keep_lease(int64_t job, int64_t session) override {
    keeper_ = std::make_unique<SessionKeeper>(o_.db, job, session, o_.lease_ms);
  }
  int64_t now_ms() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
  }
  void wait(int64_t ms) override {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    tool_->run_until([&] { return Clock::now() >= until; }, static_cast<uint32_t>(ms));
  }
  void said(Verdict, const std::string& line) override { console_.out(port_ + " " + line + "\n"); }
  void progress(const std::string& line) override { console_.err(port_ + " " + line); }
  void writing(int seq, const std::string& dtu_id, const std::string& step) override {
    writing_seq_ = seq;
    writing_id_ = dtu_id;
    if (seq != 0 && keeper_) keeper_->note_step(seq, step);
  }

 private:
  const ProductionOptions& o_;
  const std::string port_;
  const Console& console_;
  platform::headless::SerialOpener devices_;
  std::unique_ptr<SessionKeeper> keeper_;
  PortFlow* flow_ = nullptr;
  cli::ToolDriver* tool_ = nullptr;
  DtuDriver* dtu_ = nullptr;
  int status_ = cli::kOk;
  int writing_seq_ = 0;
  std::string writing_id_;
  bool stopping_ = false;
};

std::atomic<PortWorker*> g_worker{nullptr};

int PortWorker::run() {
  cli::PortName name;
  cli::parse_port(port_, name);
  const cli::PortChoice choice = cli::choose_port(name, devices_);
  cli::WorkFolder folder;
  cli::ToolRun run;
  run.folder = folder.path();
  run.devices = choice.devices;
  run.on_status = [this](const std::string&) {
    if (!dtu_ || writing_seq_ == 0 || !keeper_) return;
    if (const auto step = dtu_->write_step()) keeper_->note_step(writing_seq_, std::string(app::setting(*step).name));
  };
  run.work = [this, com = choice.com](cli::ToolDriver& tool, DtuDriver& dtu) {
    tool_ = &tool;
    dtu_ = &dtu;
    ToolDtuPort port(dtu, com, o_.baud);
    if (!port.choose_link()) {
      progress(cli::no_such_link(com, o_.baud));
      status_ = cli::kUsage;
      return;
    }
    PortFlow flow({o_.job, o_.bench, port_, platform::host_name(), platform::process_id(), o_.lease_ms}, port, *this);
    flow_ = &flow;
    status_ = flow.run();
    flow_ = nullptr;
    keeper_.reset();
    dtu.disconnect();
  };
  cli::run_tool(run);
  keeper_.reset();
  return status_;
}

void PortWorker::stop(int exit_status, const char* what) {
  if (stopping_) return;
  stopping_ = true;
  std::string cut;
  if (writing_seq_ != 0 && dtu_) {
    const auto step = dtu_->write_step();
    cut = " while writing " + writing_id_ + (step ? " at step " + std::string(app::setting(*step).name) : "") +
          " (it is left in doubt until its DTU boots again)";
  }
  progress(std::string("stopped by ") + what + cut + "; closing the port");
  if (dtu_) dtu_->disconnect();
  keeper_.reset();
  if (flow_) flow_->end_session(std::string("stopped by ") + what);
  platform::backend().exit_process(exit_status);
}

}  // namespace

int run_port(const ProductionOptions& options, const platform::headless::SerialOpener& devices, const Console& console) {
  // Lives to the process's end: a stop request may still point at it.
  static std::unique_ptr<PortWorker> worker;
  worker = std::make_unique<PortWorker>(options, devices, console);
  g_worker.store(worker.get());
  const int status = worker->run();
  g_worker.store(nullptr);
  return status;
}

void stop_port(int exit_status, const char* what) {
  PortWorker* worker = g_worker.load();
  if (!worker || !cli::post_to_tool([worker, exit_status, what] { worker->stop(exit_status, what); }))
    std::_Exit(exit_status);
}

}  // namespace provision
