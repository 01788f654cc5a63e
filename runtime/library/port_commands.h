// The serial port unit's three core-library commands. Declared here so the core command
// table can list them; defined by the serial port unit (units/), resolved at link time.
#pragma once

#include "runtime/value.h"

namespace rt {

void cmd_close_port(Value* result, int arg_count, Value* args);  // slot 1
void cmd_open_port(Value* result, int arg_count, Value* args);   // slot 2
void cmd_send_data(Value* result, int arg_count, Value* args);   // slot 17

}  // namespace rt
