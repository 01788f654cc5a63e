// The handlers' side of the tool's state view: each records what it has just decided.
#pragma once

#include "app/tool_state.h"

namespace app {

// Back to the start-up state (a new program run).
void reset_state_record();
void record_setting_mode(bool on);
void record_handshake(Handshake h);
void record_check(bool passed, std::optional<Key> setting, uint32_t message = 0);

// An operation: begun (Running), at a write's step, ended.
void begin_operation(Operation op);
void record_write_step(Key step);
void record_listed(SettingSet listed);
void end_operation(Outcome outcome, uint32_t message = 0);

}  // namespace app
