// The system calls through which a save writes, flushes and swaps in a file, in one
// replaceable table: the tests put calls in their place that record the order the calls
// come in (what a power cut would show of a wrong one: a rename before the flush, a folder
// never flushed) or fail the way a full disk does.
#pragma once

#include <sys/types.h>

namespace platform::posix {

struct FileCalls {
  int (*open)(const char* path, int flags, mode_t mode);
  ssize_t (*pwrite)(int fd, const void* data, size_t size, off_t offset);
  int (*fsync)(int fd);
  int (*ftruncate)(int fd, off_t length);
  int (*close)(int fd);
  int (*rename)(const char* from, const char* to);
  // A rename that never replaces a file that has the name (renameat2's RENAME_NOREPLACE).
  int (*rename_noreplace)(const char* from, const char* to);
  int (*link)(const char* from, const char* to);
  int (*unlink)(const char* path);
};

// The system's own calls.
FileCalls system_file_calls();
const FileCalls& file_calls();
// Puts `calls` in place; returns the table it replaces. Not while a save runs.
FileCalls set_file_calls(const FileCalls& calls);

}  // namespace platform::posix
