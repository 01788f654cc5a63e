// to_int, to_byte, to_text, to_binary.
#include "runtime/library/command_support.h"
#include "runtime/library/commands.h"

namespace rt {

void cmd_to_int(Value* result, int, Value* args) { cmd::result_int(result, convert::to_int(args[0])); }

void cmd_to_byte(Value* result, int, Value* args) {
  cmd::result_int(result, static_cast<uint8_t>(convert::to_int(args[0])));
}

void cmd_to_text(Value* result, int, Value* args) { cmd::result_text(result, convert::to_text(args[0])); }

void cmd_to_binary(Value* result, int, Value* args) { cmd::result_binary(result, convert::to_binary(args[0])); }

}  // namespace rt
