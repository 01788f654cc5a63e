// Every command of the core library's table except the serial port unit's three, plus the
// special-functions library's delay and replace_file. Each command has the uniform signature (result record, argument count,
// first argument record); results are fresh runtime-heap blocks the caller owns, arguments
// are never freed or changed (except the variables read_from_file fills).
#pragma once

#include "runtime/helpers.h"
#include "runtime/library.h"
#include "runtime/value.h"

namespace rt {

// Conversions.
void cmd_to_int(Value* result, int arg_count, Value* args);
void cmd_to_byte(Value* result, int arg_count, Value* args);
void cmd_to_text(Value* result, int arg_count, Value* args);
void cmd_to_binary(Value* result, int arg_count, Value* args);

// Text.
void cmd_text_length(Value* result, int arg_count, Value* args);
void cmd_find_text(Value* result, int arg_count, Value* args);
void cmd_trim_spaces(Value* result, int arg_count, Value* args);
void cmd_remove_spaces(Value* result, int arg_count, Value* args);
void cmd_split_text(Value* result, int arg_count, Value* args);

// Dialogue and units.
void cmd_message_box(Value* result, int arg_count, Value* args);
void cmd_set_focus(Value* result, int arg_count, Value* args);
void cmd_has_focus(Value* result, int arg_count, Value* args);
void cmd_append_text(Value* result, int arg_count, Value* args);

// Files.
void cmd_open_file(Value* result, int arg_count, Value* args);
void cmd_close_file(Value* result, int arg_count, Value* args);
void cmd_file_length(Value* result, int arg_count, Value* args);
void cmd_read_from_file(Value* result, int arg_count, Value* args);
void cmd_write_to_file(Value* result, int arg_count, Value* args);
void cmd_delete_file_data(Value* result, int arg_count, Value* args);

// Special-functions library (number 2).
void cmd_delay(Value* result, int arg_count, Value* args);
void cmd_replace_file(Value* result, int arg_count, Value* args);

// The special-functions library's descriptor.
const LibraryDescriptor& special_library();

}  // namespace rt
