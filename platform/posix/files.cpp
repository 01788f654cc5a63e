// Files on POSIX descriptors: unbuffered, close-on-exec, share modes enforced between openers
// (files_share.h tells how).
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/descriptor_file.h"
#include "platform/posix/file_errno.h"
#include "platform/posix/files_share.h"

namespace platform {

namespace {

// Opens without truncating (that waits for the share check) and without blocking on a FIFO.
int open_descriptor(const std::string& path, const FileOpen& how, bool& lockable) {
  const int extra = O_CLOEXEC | O_NONBLOCK | (how.create ? O_CREAT : 0);
  lockable = true;
  if (how.access == FileAccess::Read) return ::open(path.c_str(), O_RDONLY | extra, 0666);
  // Writers open read-write so that they can hold the shared share-mode markers.
  const int fd = ::open(path.c_str(), O_RDWR | extra, 0666);
  if (fd >= 0 || errno != EACCES || how.access == FileAccess::ReadWrite) return fd;
  lockable = false;  // a write-only file: its share mode cannot be published
  return ::open(path.c_str(), O_WRONLY | extra, 0666);
}

}  // namespace

std::unique_ptr<File> open_file(const std::string& path, const FileOpen& how, FileError& error) {
  error = FileError::None;
  if (how.truncate && how.access == FileAccess::Read) {  // emptying a file needs write access
    error = FileError::Permission;
    return nullptr;
  }
  bool lockable = true;
  const int fd = open_descriptor(path, how, lockable);
  if (fd < 0) {
    error = posix::file_error_from_errno(errno);
    return nullptr;
  }
  auto fail = [&](FileError why) {
    ::close(fd);
    error = why;
    return nullptr;
  };
  struct stat st {};
  if (::fstat(fd, &st) != 0) return fail(FileError::Io);
  if (S_ISDIR(st.st_mode)) return fail(FileError::Permission);
  if (!S_ISREG(st.st_mode)) return fail(FileError::Io);  // devices and pipes are not data files
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return fail(FileError::Io);
  if (lockable && !posix::claim_share(fd, how, error)) return fail(error);
  if (how.truncate && ::ftruncate(fd, 0) != 0) return fail(posix::file_error_from_errno(errno));
  const bool readable = how.access != FileAccess::Write;
  const bool writable = how.access != FileAccess::Read;
  return std::make_unique<posix::DescriptorFile>(fd, readable, writable);
}

}  // namespace platform
