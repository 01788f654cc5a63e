// Files as the runtime's file commands need them: unbuffered binary access with share
// modes that are really enforced between openers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

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

// Replaces the content of the existing file `path` with `data`, all or nothing: written to a
// sibling file, flushed, renamed over it. A symbolic link keeps pointing where it did (its
// target is replaced); the file keeps its permission bits. Where the folder may not be
// written but the file may, the file is rewritten in place, its old content put back if
// that fails. False, with the file as it was, when it is missing, not a plain file, or may
// not be written.
bool replace_file_atomically(const std::string& path, const void* data, size_t size);

// Creates `path` holding `data`, all or nothing; false when something already has that name.
bool create_file_atomically(const std::string& path, const void* data, size_t size);

// Settles what saves of the file `name` in `dir` left behind when they were cut short (a
// crash, a power cut, a swap that could not be finished): while the file is missing, the
// newest leftover whose content `complete` finds whole is put back under its name first;
// leftovers are removed only while the file is whole, and only those of this computer's
// processes that are gone (platform/replace_leftovers.h). False while the file is missing
// but a complete leftover could not be put back: nothing else may take its place then.
bool settle_replacements(const std::string& dir, const std::string& name,
                         const std::function<bool(std::string_view content)>& complete);

// True when this process may create files in `dir`.
bool directory_writable(const std::string& dir);

// The type of network file system that holds `path` (a file, or the folder a new file would
// go to): "nfs", "cifs", "remote drive" ...; "" when it is a disk of this machine (or the
// system cannot tell). Locks and shared memory that several programs on one machine rely
// on are not kept across a network file system.
std::string network_file_system(const std::string& path);

// True when the rights allow replace_file_atomically to change the existing file `path` (or,
// for a missing one, to make it): what a save there needs of the file and its folder.
bool file_replaceable(const std::string& path);

}  // namespace platform
