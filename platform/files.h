// Files as the runtime's file commands need them: unbuffered binary access with share
// modes that are really enforced between openers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

enum class FileAccess { Read, Write, ReadWrite };
enum class FileShare { DenyNone, DenyRead, DenyWrite, Exclusive };

struct FileOpen {
  FileAccess access = FileAccess::Read;
  FileShare share = FileShare::DenyNone;
  bool create = false;    // create when missing
  bool truncate = false;  // empty an existing file
};

enum class FileError { None, NotFound, Permission, SharingViolation, Io };

class File {
 public:
  virtual ~File() = default;
  virtual bool read(void* buf, size_t n, size_t& got) = 0;  // false on an I/O error
  virtual bool write(const void* buf, size_t n) = 0;       // false unless all was written
  virtual bool seek(int64_t pos) = 0;                      // from the start
  virtual int64_t position() const = 0;
  virtual int64_t length() const = 0;                      // -1 on error
  virtual bool set_length(int64_t len) = 0;
  virtual bool sync() = 0;
};

std::unique_ptr<File> open_file(const std::string& path, const FileOpen& how, FileError& error);

// Replaces `path` with `data` all-or-nothing: written to a sibling file, flushed, renamed.
bool replace_file_atomically(const std::string& path, const void* data, size_t size);

}  // namespace platform
