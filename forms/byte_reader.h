// A bounds-checked little-endian reader over a byte span. Every read either succeeds and
// advances, or fails and leaves the position untouched; nothing is ever read past the end.
// Used for the form template and the unit type data, both of which may be corrupt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace forms {

class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  size_t position() const { return pos_; }
  size_t remaining() const { return bytes_.size() - pos_; }
  bool at_end() const { return pos_ == bytes_.size(); }

  bool skip(size_t n) {
    if (n > remaining()) return false;
    pos_ += n;
    return true;
  }

  bool word(uint16_t& out) {
    if (remaining() < 2) return false;
    out = static_cast<uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }

  bool dword(uint32_t& out) {
    if (remaining() < 4) return false;
    out = static_cast<uint32_t>(bytes_[pos_]) | (static_cast<uint32_t>(bytes_[pos_ + 1]) << 8) |
          (static_cast<uint32_t>(bytes_[pos_ + 2]) << 16) | (static_cast<uint32_t>(bytes_[pos_ + 3]) << 24);
    pos_ += 4;
    return true;
  }

  bool dword(int32_t& out) {
    uint32_t v;
    if (!dword(v)) return false;
    out = static_cast<int32_t>(v);
    return true;
  }

  // n raw bytes as a span into the underlying buffer.
  bool bytes(size_t n, std::span<const uint8_t>& out) {
    if (n > remaining()) return false;
    out = bytes_.subspan(pos_, n);
    pos_ += n;
    return true;
  }

  // A dword byte count followed by that many bytes.
  bool counted_block(std::span<const uint8_t>& out) {
    const size_t start = pos_;
    uint32_t n;
    if (!dword(n) || !bytes(n, out)) {
      pos_ = start;
      return false;
    }
    return true;
  }

  bool counted_block(std::vector<uint8_t>& out) {
    std::span<const uint8_t> s;
    if (!counted_block(s)) return false;
    out.assign(s.begin(), s.end());
    return true;
  }

  // A dword byte count followed by that many text bytes, no terminator.
  bool counted_string(std::string& out) {
    std::span<const uint8_t> s;
    if (!counted_block(s)) return false;
    out.assign(s.begin(), s.end());
    return true;
  }

  // Text bytes ended by a zero byte; a missing terminator is a failure.
  bool zstring(std::string& out) {
    for (size_t i = pos_; i < bytes_.size(); ++i) {
      if (bytes_[i] == 0) {
        out.assign(bytes_.begin() + pos_, bytes_.begin() + i);
        pos_ = i + 1;
        return true;
      }
    }
    return false;
  }

  // A 16-bit count (0xFFFF escapes to a following dword count), then that many counted
  // strings. The count is checked against the bytes left before anything is reserved, so a
  // corrupt count cannot make us allocate wildly.
  bool string_list(std::vector<std::string>& out) {
    const size_t start = pos_;
    uint16_t short_count;
    uint32_t count = 0;
    bool ok = word(short_count);
    if (ok) {
      count = short_count;
      if (short_count == 0xFFFF) ok = dword(count);
    }
    ok = ok && count <= remaining() / 4;  // every string needs at least its count dword
    std::vector<std::string> items;
    if (ok) items.resize(count);
    for (uint32_t i = 0; ok && i < count; ++i) ok = counted_string(items[i]);
    if (!ok) {
      pos_ = start;
      return false;
    }
    out = std::move(items);
    return true;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

}  // namespace forms
