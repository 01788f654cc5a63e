// All-or-nothing replacement of a file: the new content goes to a sibling file that is
// flushed, given the original's permission bits (and owner, where we may) and renamed over
// the target; the directory is flushed last. Until the rename the original is untouched, so
// any failure keeps it. A symbolic link is followed: its target is replaced, the link stays.
//
// A folder we may not write (a shared folder holding a file the user may still write) has
// no room for a sibling: the file is then rewritten in place, the new bytes over the old
// ones and the length cut last, so it is never empty; if any of that fails the old content,
// read first, is written back.
//
// The calls whose order a power cut would show go through the table of platform/posix/
// file_calls.h: the new file's content is flushed before it takes the target's name, and the
// folder after that.
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
#include <vector>

#include "platform/files.h"
#include "platform/posix/file_calls.h"
#include "platform/process.h"
#include "platform/replace_leftovers.h"

namespace platform {

namespace posix {
namespace {
FileCalls g_file_calls = system_file_calls();
}  // namespace

FileCalls system_file_calls() {
  FileCalls calls;
  calls.open = [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); };
  calls.pwrite = [](int fd, const void* data, size_t size, off_t offset) { return ::pwrite(fd, data, size, offset); };
  calls.fsync = [](int fd) { return ::fsync(fd); };
  calls.ftruncate = [](int fd, off_t length) { return ::ftruncate(fd, length); };
  calls.close = [](int fd) { return ::close(fd); };
  calls.rename = [](const char* from, const char* to) { return ::rename(from, to); };
  calls.rename_noreplace = [](const char* from, const char* to) {
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
  };
  calls.link = [](const char* from, const char* to) { return ::link(from, to); };
  calls.unlink = [](const char* path) { return ::unlink(path); };
  return calls;
}

const FileCalls& file_calls() { return g_file_calls; }

FileCalls set_file_calls(const FileCalls& calls) {
  const FileCalls before = g_file_calls;
  g_file_calls = calls;
  return before;
}
}  // namespace posix

namespace {

const posix::FileCalls& os() { return posix::file_calls(); }

// Our temporaries: this prefix, then the computer's mark, the creating process's id and a
// counter (platform/replace_leftovers.h).
constexpr std::string_view kTempPrefix = ".~replace.";

const std::string& computer_mark() {
  static const std::string mark = leftovers::computer_mark(host_name());
  return mark;
}

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
    name = dir + "/" + leftovers::make_name(kTempPrefix, computer_mark(), static_cast<uint64_t>(::getpid()), counter++);
    // 0666 under the umask: a new file gets the permissions any newly created file would.
    const int fd = os().open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

bool write_all_at(int fd, const void* data, size_t size, off_t offset) {
  size_t done = 0;
  while (done < size) {
    const ssize_t r = os().pwrite(fd, static_cast<const char*>(data) + done, size - done, offset + off_t(done));
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
  const int fd = os().open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = os().fsync(fd) == 0;
  os().close(fd);
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
  bool ok = write_all_at(fd, data, size, 0) && os().fsync(fd) == 0;
  if (ok && original) {
    // Saved by another user (root, say): the file stays the owner's where the system lets us.
    if (original->st_uid != ::geteuid() || original->st_gid != ::getegid()) {
      [[maybe_unused]] int ignored = ::fchown(fd, original->st_uid, original->st_gid);
    }
    ok = ::fchmod(fd, original->st_mode & 07777) == 0;
  }
  ok = (os().close(fd) == 0) && ok;
  if (!ok) os().unlink(temp.c_str());
  return ok ? Sibling::Written : Sibling::Failed;
}

// The folder has no room for a sibling: new bytes over the old, then the length; the old
// content goes back if any step fails.
bool rewrite_in_place(const std::string& target, const void* data, size_t size) {
  const int fd = os().open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0);
  if (fd < 0) return false;
  std::string old;
  bool ok = read_all(fd, old);
  if (ok) {
    ok = write_all_at(fd, data, size, 0) && os().ftruncate(fd, off_t(size)) == 0 && os().fsync(fd) == 0;
    if (!ok) {
      write_all_at(fd, old.data(), old.size(), 0);
      os().ftruncate(fd, off_t(old.size()));
      os().fsync(fd);
    }
  }
  ok = (os().close(fd) == 0) && ok;
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
  if (os().rename(temp.c_str(), target.c_str()) != 0) {
    os().unlink(temp.c_str());
    return false;
  }
  // The rename is done; a failed directory flush only weakens durability after a crash.
  sync_directory(dir);
  return true;
}

namespace {

// Moves `from` to `to`, never over a file that has that name.
bool move_noreplace(const std::string& from, const std::string& to) {
  if (os().rename_noreplace(from.c_str(), to.c_str()) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the no-replace rename: a second name, then the first one goes.
  if (os().link(from.c_str(), to.c_str()) != 0) return false;
  os().unlink(from.c_str());
  return true;
}

}  // namespace

bool create_file_atomically(const std::string& path, const void* data, size_t size) {
  if (path.empty() || (data == nullptr && size != 0)) return false;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) return false;  // taken, even by a link that leads nowhere
  const std::string dir = directory_of(path);
  std::string temp;
  if (write_sibling(dir, data, size, nullptr, temp) != Sibling::Written) return false;
  const bool ok = move_noreplace(temp, path);
  if (ok) {
    sync_directory(dir);
  } else {
    os().unlink(temp.c_str());
  }
  return ok;
}

namespace {

// A folder's leftovers as settling them needs (platform/replace_leftovers.h).
class LeftoverFolder final : public leftovers::Folder {
 public:
  LeftoverFolder(std::string dir, std::string target) : dir_(std::move(dir)), target_(std::move(target)) {}

  std::vector<Entry> entries() override {
    std::vector<Entry> found;
    DIR* d = ::opendir(dir_.c_str());
    if (d == nullptr) return found;
    while (const dirent* entry = ::readdir(d)) {
      const std::string_view name = entry->d_name;
      if (name.substr(0, kTempPrefix.size()) != kTempPrefix) continue;
      struct stat st {};
      if (::fstatat(::dirfd(d), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
      found.push_back({std::string(name), int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec});
    }
    ::closedir(d);
    return found;
  }
  bool exists(const std::string& name) override {
    struct stat st {};
    return ::lstat(path(name).c_str(), &st) == 0 || errno != ENOENT;
  }
  std::optional<std::string> content(const std::string& name, size_t limit) override {
    const int fd = ::open(path(name).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::string out;
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) <= limit &&
                    read_all(fd, out) && out.size() <= limit;
    ::close(fd);
    return ok ? std::optional<std::string>(std::move(out)) : std::nullopt;
  }
  bool put_back(const std::string& leftover) override {
    if (!move_noreplace(path(leftover), path(target_))) return false;
    sync_directory(dir_);
    return true;
  }
  void remove(const std::string& name) override { os().unlink(path(name).c_str()); }
  bool running(uint64_t pid) override {
    if (pid > INT_MAX) return false;
    return pid == static_cast<uint64_t>(::getpid()) || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
  }

 private:
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  const std::string dir_, target_;
};

}  // namespace

bool settle_replacements(const std::string& dir, const std::string& name,
                         const std::function<bool(std::string_view content)>& complete) {
  LeftoverFolder folder(dir.empty() ? "." : dir, name);
  return leftovers::settle(folder, kTempPrefix, computer_mark(), name, complete);
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
