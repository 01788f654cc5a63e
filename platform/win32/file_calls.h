// The Windows calls through which a save writes, flushes and swaps a new file in, in one
// replaceable table: the tests put calls in their place that fail the way Windows does now
// and then (another program holding a file for a moment, a swap stopped half-way), that
// record the order the calls come in (what a power cut would show of a wrong one), and
// pauses that take no time.
#pragma once

#include <windows.h>

namespace platform::win32 {

struct FileCalls {
  decltype(&ReplaceFileW) replace_file = &ReplaceFileW;
  decltype(&MoveFileExW) move_file = &MoveFileExW;
  decltype(&DeleteFileW) delete_file = &DeleteFileW;
  decltype(&GetFileAttributesW) file_attributes = &GetFileAttributesW;
  decltype(&CreateFileW) create_file = &CreateFileW;
  decltype(&WriteFile) write_file = &WriteFile;
  decltype(&FlushFileBuffers) flush_file = &FlushFileBuffers;
  decltype(&Sleep) pause = &Sleep;
};

const FileCalls& file_calls();
// Puts `calls` in place; returns the table it replaces. Not while a save runs.
FileCalls set_file_calls(const FileCalls& calls);

}  // namespace platform::win32
