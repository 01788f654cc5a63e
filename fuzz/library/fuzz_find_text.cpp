// find_text on arbitrary haystack, needle, start and case flag: a match is inside the
// haystack and really matches there.
#include <cstdlib>
#include <string>

#include "fuzz/library/fuzz_support.h"
#include "runtime/library/commands.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  int32_t start = static_cast<int8_t>(data[0]);
  bool ignore_case = data[1] & 1;
  auto [first, second] = lib_fuzz::two_parts(data + 2, size - 2);
  lib_fuzz::ExactText hay(first), needle(second);
  rt::Value flag;
  flag.set_logical(ignore_case);
  rt::Value args[4] = {hay.value(), needle.value(), lib_fuzz::int_value(start), flag};
  rt::Value result;
  rt::cmd_find_text(&result, 4, args);
  int32_t at = static_cast<int32_t>(result.low);
  std::string_view h = hay.c_str(), n = needle.c_str();
  if (at == -1) return 0;
  if (at < 1 || static_cast<size_t>(at - 1) + n.size() > h.size()) std::abort();
  if (!ignore_case && h.substr(at - 1, n.size()) != n) std::abort();
  return 0;
}
