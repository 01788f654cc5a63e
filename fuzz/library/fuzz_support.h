// Shared by the library fuzz targets: inputs become texts in exact-size heap blocks, so
// reading one byte past the terminator is a sanitizer report.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "runtime/core_services.h"
#include "runtime/value.h"

namespace lib_fuzz {

// A zero-terminated copy of `bytes` up to its first zero, in a block of exactly that size.
class ExactText {
 public:
  explicit ExactText(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    p_ = static_cast<char*>(std::malloc(bytes.size() + 1));
    if (!bytes.empty()) std::memcpy(p_, bytes.data(), bytes.size());
    p_[bytes.size()] = '\0';
  }
  ~ExactText() { std::free(p_); }
  ExactText(const ExactText&) = delete;
  ExactText& operator=(const ExactText&) = delete;
  rt::Value value() const {
    rt::Value v;
    v.set_text(p_);
    return v;
  }
  const char* c_str() const { return p_; }

 private:
  char* p_;
};

// Splits the input at its first zero byte: (before, after).
inline std::pair<std::string_view, std::string_view> two_parts(const uint8_t* data, size_t size) {
  std::string_view all(reinterpret_cast<const char*>(data), size);
  size_t cut = all.find('\0');
  if (cut == std::string_view::npos) return {all, {}};
  return {all.substr(0, cut), all.substr(cut + 1)};
}

inline rt::Value int_value(int32_t n) {
  rt::Value v;
  v.set_int(n);
  return v;
}

}  // namespace lib_fuzz
