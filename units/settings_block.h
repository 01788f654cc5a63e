// Little-endian reading and writing of the saved-settings blocks that form templates carry
// for the timer and serial port units. Reading never goes past the block's end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace units {

class BlockReader {
 public:
  explicit BlockReader(std::span<const uint8_t> block) : block_(block) {}
  // False (value untouched) when fewer than 4 bytes are left.
  bool read_u32(uint32_t& value) {
    if (block_.size() - pos_ < 4) return false;
    value = uint32_t{block_[pos_]} | uint32_t{block_[pos_ + 1]} << 8 | uint32_t{block_[pos_ + 2]} << 16 |
            uint32_t{block_[pos_ + 3]} << 24;
    pos_ += 4;
    return true;
  }
  bool read_i32(int32_t& value) {
    uint32_t u;
    if (!read_u32(u)) return false;
    value = static_cast<int32_t>(u);
    return true;
  }
  // A length-prefixed byte run; a length of 0 or less is the empty run.
  bool read_bytes(std::string& out) {
    int32_t n;
    if (!read_i32(n)) return false;
    if (n <= 0) {
      out.clear();
      return true;
    }
    if (block_.size() - pos_ < static_cast<size_t>(n)) return false;
    out.assign(reinterpret_cast<const char*>(block_.data() + pos_), static_cast<size_t>(n));
    pos_ += static_cast<size_t>(n);
    return true;
  }

 private:
  std::span<const uint8_t> block_;
  size_t pos_ = 0;
};

class BlockWriter {
 public:
  void u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
  void bytes(const std::string& s) {
    i32(static_cast<int32_t>(s.size()));
    bytes_.insert(bytes_.end(), s.begin(), s.end());
  }
  std::vector<uint8_t> take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace units
