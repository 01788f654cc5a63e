#include "app/globals.h"
#include "app/state_record.h"

namespace app {
namespace {

ToolState& record() {
  static ToolState state;
  return state;
}

}  // namespace

ToolState tool_state() {
  ToolState view = record();
  view.connected = globals().connected == 1;
  return view;
}

void reset_state_record() { record() = {}; }
void record_setting_mode(bool on) { record().setting_mode = on; }
void record_handshake(Handshake h) { record().handshake = h; }
void record_check(bool passed, std::optional<Key> setting, uint32_t message) {
  record().last_check = {passed, setting, message};
}

void begin_operation(Operation op) {
  OperationResult& r = record().last_operation;
  r = {};
  r.operation = op;
  r.outcome = Outcome::Running;
}

void record_write_step(Key step) { record().last_operation.step = step; }
void record_listed(SettingSet listed) { record().last_operation.listed = listed; }

void end_operation(Outcome outcome, uint32_t message) {
  OperationResult& r = record().last_operation;
  r.outcome = outcome;
  r.message = message;
}

}  // namespace app
