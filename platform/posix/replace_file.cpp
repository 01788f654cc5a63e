// All-or-nothing replacement of a file: the new content goes to a sibling file that is
// flushed, given the original's permission bits (and owner, where we may) and renamed over
// the target; the directory is flushed last. Until the rename the original is untouched, so
// any failure keeps it. A symbolic link is followed: its target is replaced, the link stays.
//
// A folder we may not write (a shared folder holding a file the user may still write) has
// no room for a sibling: the file is then rewritten in place, the new bytes over the old
// ones and the length cut last, so it is never empty; if any of that fails the old content,
// read first, is written back.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace platform {

namespace {

// Our temporaries: this prefix, then the creating process's id and a counter.
constexpr std::string_view kTempPrefix = ".~replace.";

std::string directory_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a save must change: the path itself, or where its symbolic links lead.
bool resolve_target(const std::string& path, std::string& target) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return false;
  if (!S_ISLNK(st.st_mode)) {
    target = path;
    return true;
  }
  char* real = ::realpath(path.c_str(), nullptr);  // null for a link that leads nowhere
  if (real == nullptr) return false;
  target = real;
  std::free(real);
  return true;
}

// A short, unused sibling name (short, so a long target name cannot make it too long).
int create_sibling(const std::string& dir, std::string& name) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = dir + "/" + std::string(kTempPrefix) + std::to_string(::getpid()) + "." + std::to_string(counter++);
    // 0666 under the umask: a new file gets the permissions any newly created file would.
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

bool write_all_at(int fd, const void* data, size_t size, off_t offset) {
  size_t done = 0;
  while (done < size) {
    const ssize_t r = ::pwrite(fd, static_cast<const char*>(data) + done, size - done, offset + off_t(done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    done += static_cast<size_t>(r);
  }
  return true;
}

bool read_all(int fd, std::string& out) {
  char chunk[4096];
  for (off_t at = 0;;) {
    const ssize_t r = ::pread(fd, chunk, sizeof chunk, at);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return false;
    if (r == 0) return true;
    out.append(chunk, static_cast<size_t>(r));
    at += r;
  }
}

bool sync_directory(const std::string& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

enum class Sibling { Written, NoRoom, Failed };

// Writes `data` into a new sibling of `dir`, flushed and closed; its name in `temp`. NoRoom
// when the folder refuses new files (rights, a read-only mount), not a passing failure.
// `original`, when given, lends the new file its permission bits and owner.
Sibling write_sibling(const std::string& dir, const void* data, size_t size, const struct stat* original,
                      std::string& temp) {
  const int fd = create_sibling(dir, temp);
  if (fd < 0) return errno == EACCES || errno == EPERM || errno == EROFS ? Sibling::NoRoom : Sibling::Failed;
  bool ok = write_all_at(fd, data, size, 0) && ::fsync(fd) == 0;
  if (ok && original) {
    // Saved by another user (root, say): the file stays the owner's where the system lets us.
    if (original->st_uid != ::geteuid() || original->st_gid != ::getegid()) {
      [[maybe_unused]] int ignored = ::fchown(fd, original->st_uid, original->st_gid);
    }
    ok = ::fchmod(fd, original->st_mode & 07777) == 0;
  }
  ok = (::close(fd) == 0) && ok;
  if (!ok) ::unlink(temp.c_str());
  return ok ? Sibling::Written : Sibling::Failed;
}

// The folder has no room for a sibling: new bytes over the old, then the length; the old
// content goes back if any step fails.
bool rewrite_in_place(const std::string& target, const void* data, size_t size) {
  const int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  std::string old;
  bool ok = read_all(fd, old);
  if (ok) {
    ok = write_all_at(fd, data, size, 0) && ::ftruncate(fd, off_t(size)) == 0 && ::fsync(fd) == 0;
    if (!ok) {
      write_all_at(fd, old.data(), old.size(), 0);
      [[maybe_unused]] int ignored = ::ftruncate(fd, off_t(old.size()));
      ::fsync(fd);
    }
  }
  ok = (::close(fd) == 0) && ok;
  return ok;
}

}  // namespace

bool replace_file_atomically(const std::string& path, const void* data, size_t size) {
  if (path.empty() || (data == nullptr && size != 0)) return false;
  std::string target;
  if (!resolve_target(path, target)) return false;
  struct stat original {};
  if (::stat(target.c_str(), &original) != 0 || !S_ISREG(original.st_mode)) return false;
  if (::access(target.c_str(), W_OK) != 0) return false;  // a file we may not write stays as it is

  const std::string dir = directory_of(target);
  std::string temp;
  switch (write_sibling(dir, data, size, &original, temp)) {
    case Sibling::Written: break;
    case Sibling::NoRoom: return rewrite_in_place(target, data, size);
    case Sibling::Failed: return false;
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  // The rename is done; a failed directory flush only weakens durability after a crash.
  sync_directory(dir);
  return true;
}

bool create_file_atomically(const std::string& path, const void* data, size_t size) {
  if (path.empty() || (data == nullptr && size != 0)) return false;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) return false;  // taken, even by a link that leads nowhere
  const std::string dir = directory_of(path);
  std::string temp;
  if (write_sibling(dir, data, size, nullptr, temp) != Sibling::Written) return false;
  // Never over a file that appeared meanwhile.
  bool ok = ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0;
  if (!ok && (errno == EINVAL || errno == ENOSYS)) {  // a file system without the no-replace rename
    ok = ::link(temp.c_str(), path.c_str()) == 0;
  }
  ::unlink(temp.c_str());  // after a rename: nothing there any more
  if (ok) sync_directory(dir);
  return ok;
}

void remove_stale_replacements(const std::string& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return;
  while (const dirent* entry = ::readdir(d)) {
    const std::string_view name = entry->d_name;
    if (name.substr(0, kTempPrefix.size()) != kTempPrefix) continue;
    const std::string rest(name.substr(kTempPrefix.size()));
    char* end = nullptr;
    const long pid = std::strtol(rest.c_str(), &end, 10);
    if (end == rest.c_str() || *end != '.' || pid <= 0 || pid > INT_MAX) continue;
    // A process that still runs may be saving right now; one that is gone left this behind.
    if (pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    ::unlinkat(::dirfd(d), entry->d_name, 0);
  }
  ::closedir(d);
}

bool directory_writable(const std::string& dir) {
  return !dir.empty() && ::access(dir.c_str(), W_OK | X_OK) == 0;
}

// A file we may write is replaced through its folder or, where that may not be written, in
// place (both follow a symbolic link).
bool file_replaceable(const std::string& path) {
  if (path.empty()) return false;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT && directory_writable(directory_of(path));
  return S_ISREG(st.st_mode) && ::access(path.c_str(), W_OK) == 0;
}

}  // namespace platform
