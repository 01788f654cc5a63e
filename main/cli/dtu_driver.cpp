#include "main/cli/dtu_driver.h"

#include <string>

namespace cli {
namespace {

constexpr uint32_t kHandshakeGraceMs = 3000;  // a banner seen at the deadline: let the handshake end

OperationEnd last_end() {
  const app::OperationResult r = app::tool_state().last_operation;
  return {true, r.outcome, r.step, r.message};
}

bool in_setting_mode() { return app::tool_state().setting_mode; }

}  // namespace

bool DtuDriver::choose_link(int com, int baud) {
  return tool_.pick_item(app::unit::kPortBox, "COM" + std::to_string(com)) &&
         tool_.pick_item(app::unit::kLinkBaudBox, std::to_string(baud));
}

bool DtuDriver::put_value(app::Key key, const std::string& gbk) {
  const app::UnitId u = app::setting(key).unit;
  tool_.set_field(u, gbk);
  return u.type != app::type::kIpEditBox || gbk.empty() || !tool_.field(u).empty();
}

std::string DtuDriver::value(app::Key key) { return tool_.field(app::setting(key).unit); }

app::CheckResult DtuDriver::check_field(app::Key key) {
  const app::Setting& s = app::setting(key);
  tool_.leave_field(s.unit);
  if (s.check == app::Check::None) return {true, key, 0};
  return app::tool_state().last_check;
}

OperationEnd DtuDriver::connect() {
  if (connected()) return OperationEnd::not_started();
  tool_.click(app::unit::kConnectButton);
  return last_end();
}

void DtuDriver::disconnect() {
  if (connected()) tool_.click(app::unit::kConnectButton);
}

ModeWait DtuDriver::wait_for_setting_mode(uint32_t within_ms) {
  auto answer_due = [] { return app::tool_state().handshake == app::Handshake::BannerSeen; };
  tool_.run_until(in_setting_mode, within_ms);
  if (!in_setting_mode() && answer_due())
    tool_.run_until([&] { return in_setting_mode() || !answer_due(); }, kHandshakeGraceMs);
  if (in_setting_mode()) return ModeWait::SettingMode;
  return app::tool_state().handshake == app::Handshake::Waiting ? ModeWait::NoBanner : ModeWait::Unconfirmed;
}

OperationEnd DtuDriver::run(app::UnitId button) {
  if (!in_setting_mode()) return OperationEnd::not_started();
  tool_.click(button);
  return last_end();
}

Reading DtuDriver::read_settings() {
  Reading r;
  r.end = run(app::unit::kReadButton);
  if (!r.end.ok()) return r;
  const app::SettingSet listed = app::tool_state().last_operation.listed;
  for (const app::Setting& s : app::kSettings) {
    if (!listed.test(app::index_of(s.key))) r.missing.push_back(s.key);
    r.values[app::index_of(s.key)] = tool_.field(s.unit);
  }
  return r;
}

OperationEnd DtuDriver::write_settings() { return run(app::unit::kWriteButton); }
OperationEnd DtuDriver::reset() { return run(app::unit::kResetButton); }
OperationEnd DtuDriver::save() { return run(app::unit::kSaveButton); }

std::optional<app::Key> DtuDriver::write_step() const {
  const app::OperationResult r = app::tool_state().last_operation;
  if (r.operation != app::Operation::Write || r.outcome != app::Outcome::Running) return std::nullopt;
  return r.step;
}

}  // namespace cli
