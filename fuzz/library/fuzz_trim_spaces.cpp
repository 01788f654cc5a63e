// trim_spaces and remove_spaces on arbitrary texts: results are no longer than the input,
// a trimmed text is a piece of it, trimming twice changes nothing, and removing every
// blank leaves no more than trimming.
#include <cstdlib>
#include <string>

#include "fuzz/library/fuzz_support.h"
#include "runtime/library/commands.h"

namespace {
std::string run(rt::CommandFn fn, const char* input) {
  rt::Value args[1], result;
  args[0].set_text(input);
  fn(&result, 1, args);
  char* p = static_cast<char*>(result.pointer());
  if (p && !*p) std::abort();  // empty results are null
  std::string out = p ? p : "";
  rt::free(p);
  return out;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lib_fuzz::ExactText text(std::string_view(reinterpret_cast<const char*>(data), size));
  std::string trimmed = run(rt::cmd_trim_spaces, text.c_str());
  if (std::string_view(text.c_str()).find(trimmed) == std::string_view::npos) std::abort();
  if (run(rt::cmd_trim_spaces, trimmed.c_str()) != trimmed) std::abort();
  std::string removed = run(rt::cmd_remove_spaces, text.c_str());
  if (removed.size() > trimmed.size()) std::abort();
  return 0;
}
