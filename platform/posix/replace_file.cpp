// All-or-nothing replacement of a file: the new content goes to a sibling file that is
// flushed, given the original's permission bits and renamed over the target; the directory
// is flushed last. Until the rename the original is untouched, so any failure keeps it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "platform/files.h"

namespace platform {

namespace {

std::string directory_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A short, unused sibling name (short, so a long target name cannot make it too long).
int create_sibling(const std::string& dir, std::string& name) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = dir + "/.~replace." + std::to_string(::getpid()) + "." + std::to_string(counter++);
    // 0666 under the umask: a new file gets the permissions any newly created file would.
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool write_all(int fd, const void* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t r = ::write(fd, static_cast<const char*>(data) + done, size - done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    done += static_cast<size_t>(r);
  }
  return true;
}

bool sync_directory(const std::string& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

bool replace_file_atomically(const std::string& path, const void* data, size_t size) {
  if (path.empty() || (data == nullptr && size != 0)) return false;
  struct stat original {};
  const bool exists = ::stat(path.c_str(), &original) == 0;
  if (exists && !S_ISREG(original.st_mode)) return false;  // never replace a directory or device

  const std::string dir = directory_of(path);
  std::string temp;
  const int fd = create_sibling(dir, temp);
  if (fd < 0) return false;
  bool ok = write_all(fd, data, size) && ::fsync(fd) == 0;
  if (ok && exists) ok = ::fchmod(fd, original.st_mode & 07777) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  // The rename is done; a failed directory flush only weakens durability after a crash.
  sync_directory(dir);
  return true;
}

}  // namespace platform
