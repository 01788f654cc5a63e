// split_text on arbitrary text, delimiter and maximum: every element must be a piece of the
// text, and together with the delimiters they never exceed it.
#include <cstdlib>
#include <string>

#include "fuzz/library/fuzz_support.h"
#include "runtime/library/commands.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  int32_t max = static_cast<int8_t>(data[0]);
  auto [first, second] = lib_fuzz::two_parts(data + 1, size - 1);
  lib_fuzz::ExactText text(first), delimiter(second);
  rt::Value args[3] = {text.value(), delimiter.value(), max == 127 ? rt::Value{} : lib_fuzz::int_value(max)};
  rt::Value result;
  rt::cmd_split_text(&result, 3, args);
  auto* block = static_cast<uint8_t*>(result.pointer());
  if (!block || rt::array_dimensions(block) != 1) std::abort();
  size_t total = 0, count = rt::array_count(block);
  for (size_t i = 0; i < count; ++i) {
    const char* element;
    std::memcpy(&element, rt::array_elements(block) + i * sizeof element, sizeof element);
    std::string_view part = element ? element : "";
    if (element && part.empty()) std::abort();  // empty elements are null
    if (std::string_view(text.c_str()).find(part) == std::string_view::npos) std::abort();
    total += part.size();
  }
  if (total > std::strlen(text.c_str())) std::abort();
  rt::free_array(rt::kText, block);
  return 0;
}
