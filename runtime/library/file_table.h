// The files the program has open, by file number. A file number is a small positive
// integer handed out once and never reused, so it fits the program's Int variables on any
// machine; the object behind it sits in the runtime's open-file registry (kind 1) until it
// is closed, by close_file or by shutdown.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/files.h"

namespace rt::files {

inline constexpr int kPlainFile = 1;

// Registers an opened file and returns its number.
int32_t add(std::unique_ptr<platform::File> file);
// The open file with this number, or null when the number is not registered.
platform::File* find(int32_t number);
// Unregisters and closes the file; false when the number was not registered.
bool close(int32_t number);
// Number of files open now (for tests).
size_t open_count();

}  // namespace rt::files
