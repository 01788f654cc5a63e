// A file held by a POSIX descriptor: unbuffered reads and writes, retried when a signal cuts
// them short. Owns and closes the descriptor. The systems' files (POSIX and the page's) derive
// from it for how they share a file between openers.
#pragma once

#include "platform/files.h"

namespace platform::posix {

class DescriptorFile : public File {
 public:
  DescriptorFile(int fd, bool readable, bool writable) : fd_(fd), readable_(readable), writable_(writable) {}
  ~DescriptorFile() override;
  DescriptorFile(const DescriptorFile&) = delete;
  DescriptorFile& operator=(const DescriptorFile&) = delete;

  bool read(void* buf, size_t n, size_t& got) override;
  bool write(const void* buf, size_t n) override;
  bool seek(int64_t pos) override;
  int64_t position() const override;
  int64_t length() const override;
  bool set_length(int64_t len) override;
  bool sync() override;

 private:
  int fd_;
  bool readable_, writable_;
};

}  // namespace platform::posix
