// The serial port unit's three core-library commands: open_port, close_port, send_data.
#pragma once

#include "runtime/value.h"

namespace units {

void cmd_close_port(rt::Value* result, int arg_count, rt::Value* args);
void cmd_open_port(rt::Value* result, int arg_count, rt::Value* args);
void cmd_send_data(rt::Value* result, int arg_count, rt::Value* args);

}  // namespace units
