// Files in the page's file system (held in memory by the program). Share modes are kept
// between the openers of this program, the only program that sees these files. Saves of the
// files the page's storage keeps reach that storage first: a save it refuses fails and
// changes nothing.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>

#include "platform/posix/descriptor_file.h"
#include "platform/posix/file_errno.h"
#include "platform/process.h"
#include "platform/web/storage_folder.h"

namespace platform {

namespace {

// How the current openers of one file use it and what they deny the others.
struct ShareCount {
  int readers = 0, writers = 0, deny_read = 0, deny_write = 0;
};

std::map<ino_t, ShareCount>& shares() {
  static std::map<ino_t, ShareCount> files;
  return files;
}

struct ShareClaim {
  bool reads, writes, deny_read, deny_write;
  explicit ShareClaim(const FileOpen& how)
      : reads(how.access != FileAccess::Write),
        writes(how.access != FileAccess::Read),
        deny_read(how.share == FileShare::DenyRead || how.share == FileShare::Exclusive),
        deny_write(how.share == FileShare::DenyWrite || how.share == FileShare::Exclusive) {}

  // Reading needs nobody denying read, writing nobody denying write; denying read needs no
  // current reader, denying write no current writer.
  bool conflicts(const ShareCount& c) const {
    return (reads && c.deny_read) || (writes && c.deny_write) || (deny_read && c.readers) ||
           (deny_write && c.writers);
  }
  void apply(ShareCount& c, int sign) const {
    c.readers += reads ? sign : 0;
    c.writers += writes ? sign : 0;
    c.deny_read += deny_read ? sign : 0;
    c.deny_write += deny_write ? sign : 0;
  }
};

// The share claim is released before the descriptor closes (the base closes it).
class WebFile final : public posix::DescriptorFile {
 public:
  WebFile(int fd, ino_t inode, const FileOpen& how)
      : DescriptorFile(fd, how.access != FileAccess::Write, how.access != FileAccess::Read), inode_(inode), claim_(how) {
    claim_.apply(shares()[inode_], +1);
  }
  ~WebFile() override {
    ShareCount& c = shares()[inode_];
    claim_.apply(c, -1);
    if (c.readers == 0 && c.writers == 0 && c.deny_read == 0 && c.deny_write == 0) shares().erase(inode_);
  }

  // The page's files live in memory; the page's storage is reached when a save is made.
  bool sync() override { return true; }

 private:
  ino_t inode_;
  ShareClaim claim_;
};

std::string absolute(const std::string& path) {
  std::filesystem::path p(path);
  if (p.is_relative()) p = std::filesystem::path(current_directory()) / p;
  return p.lexically_normal().string();
}

bool is_plain_file(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool is_folder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Writes the whole file through a sibling renamed over it.
bool write_whole(const std::string& path, const void* data, size_t size) {
  const std::string temp = path + ".~saving";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < size;) {
    const ssize_t r = ::write(fd, static_cast<const char*>(data) + done, size - done);
    ok = r > 0;
    done += ok ? static_cast<size_t>(r) : 0;
  }
  // The in-memory file system this program is built with keeps a stale entry of a file that
  // a rename replaces (it comes back when the new one is removed), so the old one goes
  // first: nothing here can stop between the two, and the page's storage already holds the
  // new content.
  ok = ::close(fd) == 0 && ok && (::unlink(path.c_str()) == 0 || errno == ENOENT) &&
       ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

// The page's storage first, for the files it keeps; then the program's copy.
bool save(const std::string& path, const void* data, size_t size) {
  const std::string name = web::stored_name(absolute(path));
  if (!name.empty() && !web::store_file(name, data, size)) return false;
  return write_whole(path, data, size);
}

}  // namespace

std::unique_ptr<File> open_file(const std::string& path, const FileOpen& how, FileError& error) {
  error = FileError::None;
  if (how.truncate && how.access == FileAccess::Read) {
    error = FileError::Permission;
    return nullptr;
  }
  const int mode = how.access == FileAccess::Read ? O_RDONLY : how.access == FileAccess::Write ? O_WRONLY : O_RDWR;
  const int fd = ::open(path.c_str(), mode | (how.create ? O_CREAT : 0), 0666);
  if (fd < 0) {
    error = posix::file_error_from_errno(errno);
    return nullptr;
  }
  struct stat st {};
  FileError why = FileError::None;
  if (::fstat(fd, &st) != 0) {
    why = FileError::Io;
  } else if (S_ISDIR(st.st_mode)) {
    why = FileError::Permission;
  } else if (!S_ISREG(st.st_mode)) {
    why = FileError::Io;
  } else if (auto it = shares().find(st.st_ino); it != shares().end() && ShareClaim(how).conflicts(it->second)) {
    why = FileError::SharingViolation;
  } else if (how.truncate && ::ftruncate(fd, 0) != 0) {
    why = posix::file_error_from_errno(errno);
  }
  if (why != FileError::None) {
    ::close(fd);
    error = why;
    return nullptr;
  }
  return std::make_unique<WebFile>(fd, st.st_ino, how);
}

bool replace_file_atomically(const std::string& path, const void* data, size_t size) {
  if (path.empty() || (data == nullptr && size != 0) || !is_plain_file(path)) return false;
  return save(path, data, size);
}

bool create_file_atomically(const std::string& path, const void* data, size_t size) {
  if (path.empty() || (data == nullptr && size != 0)) return false;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) return false;
  return save(path, data, size);
}

// Nothing outlives the page's program but what its storage keeps, which holds no temporaries.
bool settle_replacements(const std::string&, const std::string&, const std::function<bool(std::string_view)>&) {
  return true;
}

// Only the user's own folder may be written: the program's folder is part of the page.
bool directory_writable(const std::string& dir) {
  if (dir.empty()) return false;
  const std::string a = absolute(dir), user = web::kUserConfigFolder;
  return (a == user || a.compare(0, user.size() + 1, user + "/") == 0) && is_folder(a);
}

// A save may go where the page's program may write: the user's folder (a file missing there
// is made by the save).
bool file_replaceable(const std::string& path) {
  if (path.empty()) return false;
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  const bool missing = !exists && errno == ENOENT;
  const std::string dir = std::filesystem::path(absolute(path)).parent_path().string();
  if (!exists) return missing && directory_writable(dir);
  return S_ISREG(st.st_mode) && directory_writable(dir);
}

}  // namespace platform

namespace platform {

// The page's files are the program's own, in memory and in the page's storage.
std::string network_file_system(const std::string&) { return ""; }

}  // namespace platform
