// The core library's command table, in its fixed order (rt::CoreCommand).
#include "runtime/library/commands.h"

namespace rt {

const CommandFn kCoreCommandTable[kCoreCommandCount] = {
    cmd_to_int,        // kToInt
    cmd_close_port,    // kClosePort
    cmd_open_port,     // kOpenPort
    cmd_message_box,   // kMessageBox
    cmd_to_text,       // kToText
    cmd_append_text,   // kAppendText
    cmd_find_text,     // kFindText
    cmd_set_focus,     // kSetFocus
    cmd_has_focus,     // kHasFocus
    cmd_open_file,     // kOpenFile
    cmd_read_from_file,  // kReadFromFile
    cmd_close_file,    // kCloseFile
    cmd_split_text,    // kSplitText
    cmd_trim_spaces,   // kTrimSpaces
    cmd_text_length,   // kTextLength
    cmd_to_binary,     // kToBinary
    cmd_to_byte,       // kToByte
    cmd_send_data,     // kSendData
    cmd_file_length,   // kFileLength
    cmd_delete_file_data,  // kDeleteFileData
    cmd_write_to_file,     // kWriteToFile
    cmd_remove_spaces,     // kRemoveSpaces
};

}  // namespace rt
