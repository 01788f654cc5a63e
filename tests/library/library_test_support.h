// Helpers shared by the library command tests: calling a command the way the call helper
// does, reading results, building argument blocks, and releasing what commands return.
#pragma once

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/gbk_codec.h"
#include "runtime/core_services.h"
#include "runtime/helpers.h"
#include "runtime/value.h"

namespace lib_test {

inline std::string gbk(const std::string& utf8) { return platform::utf8_to_gbk(utf8).value(); }

inline rt::Value text(const char* p) {
  rt::Value v;
  v.set_text(p);
  return v;
}
inline rt::Value integer(int32_t n) {
  rt::Value v;
  v.set_int(n);
  return v;
}
inline rt::Value none() { return rt::Value{}; }

// Calls a command with a zeroed result record, as the call helper does.
inline rt::Value call(rt::CommandFn fn, std::vector<rt::Value> args) {
  rt::Value result;
  fn(&result, static_cast<int>(args.size()), args.data());
  return result;
}

// Takes a Text result: its bytes, and frees the block.
inline std::string take_text(const rt::Value& r) {
  char* p = static_cast<char*>(r.pointer());
  std::string s = p ? std::string(p) : std::string();
  rt::free(p);
  return s;
}

// Takes a Binary result.
inline std::string take_binary(const rt::Value& r) {
  auto* block = static_cast<uint8_t*>(r.pointer());
  std::string s(reinterpret_cast<const char*>(rt::binary_bytes(block)), rt::binary_size(block));
  rt::free(block);
  return s;
}

// Takes an array of texts; a null element reads as "" and is reported in `nulls`.
inline std::vector<std::string> take_texts(const rt::Value& r, int* nulls = nullptr) {
  auto* block = static_cast<uint8_t*>(r.pointer());
  std::vector<std::string> out;
  if (nulls) *nulls = 0;
  for (uint32_t i = 0; i < rt::array_count(block); ++i) {
    const char* p;
    std::memcpy(&p, rt::array_elements(block) + i * sizeof p, sizeof p);
    if (!p && nulls) ++*nulls;
    out.push_back(p ? p : "");
  }
  rt::free_array(rt::kText, block);
  return out;
}

inline int32_t as_int(const rt::Value& r) { return static_cast<int32_t>(r.low); }

// A numeric array block of bytes.
inline uint8_t* byte_array(std::initializer_list<uint8_t> bytes) {
  uint8_t* block = rt::new_array(static_cast<uint32_t>(bytes.size()), 1);
  std::memcpy(rt::array_elements(block), bytes.begin(), bytes.size());
  return block;
}

}  // namespace lib_test
