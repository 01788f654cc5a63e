#include "platform/posix/descriptor_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform::posix {

DescriptorFile::~DescriptorFile() { ::close(fd_); }

bool DescriptorFile::read(void* buf, size_t n, size_t& got) {
  got = 0;
  if (!readable_) return false;
  while (got < n) {
    const ssize_t r = ::read(fd_, static_cast<char*>(buf) + got, n - got);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return false;
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  return true;
}

bool DescriptorFile::write(const void* buf, size_t n) {
  if (!writable_) return false;
  size_t done = 0;
  while (done < n) {
    const ssize_t r = ::write(fd_, static_cast<const char*>(buf) + done, n - done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    done += static_cast<size_t>(r);
  }
  return true;
}

bool DescriptorFile::seek(int64_t pos) { return pos >= 0 && ::lseek(fd_, pos, SEEK_SET) == pos; }

int64_t DescriptorFile::position() const { return ::lseek(fd_, 0, SEEK_CUR); }

int64_t DescriptorFile::length() const {
  struct stat st {};
  return ::fstat(fd_, &st) == 0 ? st.st_size : -1;
}

bool DescriptorFile::set_length(int64_t len) { return writable_ && len >= 0 && ::ftruncate(fd_, len) == 0; }

bool DescriptorFile::sync() { return ::fsync(fd_) == 0; }

}  // namespace platform::posix
