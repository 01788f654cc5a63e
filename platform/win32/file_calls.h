// The Windows calls through which a save swaps a new file in, in one replaceable table: the
// tests put calls in their place that fail the way Windows does now and then (another
// program holding a file for a moment, a swap stopped half-way), and pauses that take no
// time.
#pragma once

#include <windows.h>

namespace platform::win32 {

struct FileCalls {
  decltype(&ReplaceFileW) replace_file = &ReplaceFileW;
  decltype(&MoveFileExW) move_file = &MoveFileExW;
  decltype(&DeleteFileW) delete_file = &DeleteFileW;
  decltype(&GetFileAttributesW) file_attributes = &GetFileAttributesW;
  decltype(&CreateFileW) create_file = &CreateFileW;
  decltype(&Sleep) pause = &Sleep;
};

const FileCalls& file_calls();
// Puts `calls` in place; returns the table it replaces. Not while a save runs.
FileCalls set_file_calls(const FileCalls& calls);

}  // namespace platform::win32
