// The core library's command table, in its fixed order (rt::CoreCommand). The serial port
// unit's three commands come from the layer that implements the unit; whoever assembles
// the core library passes them in.
#pragma once

#include "runtime/library.h"
#include "runtime/library/commands.h"

namespace rt {

struct PortCommands {
  CommandFn close_port = nullptr;
  CommandFn open_port = nullptr;
  CommandFn send_data = nullptr;
};

struct CoreCommandRows {
  CommandRow rows[kCoreCommandCount];
};

constexpr CoreCommandRows core_command_rows(PortCommands port) {
  return {{
      {kToInt, cmd_to_int, 1},
      {kClosePort, port.close_port, 1},
      {kOpenPort, port.open_port, 1},
      {kMessageBox, cmd_message_box, 3},
      {kToText, cmd_to_text, 1},
      {kAppendText, cmd_append_text, 2},
      {kFindText, cmd_find_text, 4},
      {kSetFocus, cmd_set_focus, 1},
      {kHasFocus, cmd_has_focus, 1},
      {kOpenFile, cmd_open_file, 3},
      {kReadFromFile, cmd_read_from_file, 2},
      {kCloseFile, cmd_close_file, 1},
      {kSplitText, cmd_split_text, 3},
      {kTrimSpaces, cmd_trim_spaces, 1},
      {kTextLength, cmd_text_length, 1},
      {kToBinary, cmd_to_binary, 1},
      {kToByte, cmd_to_byte, 1},
      {kSendData, port.send_data, 2},
      {kFileLength, cmd_file_length, 1},
      {kDeleteFileData, cmd_delete_file_data, 2},
      {kWriteToFile, cmd_write_to_file, 2},
      {kRemoveSpaces, cmd_remove_spaces, 1},
  }};
}
static_assert(rows_in_order(core_command_rows({}).rows), "core command rows out of order");

}  // namespace rt
