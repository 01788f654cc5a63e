// to_int and to_byte on arbitrary texts; an ASCII-only text agrees with the C library.
#include <cerrno>
#include <cstdlib>
#include <string>

#include "fuzz/library/fuzz_support.h"
#include "runtime/library/commands.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lib_fuzz::ExactText text(std::string_view(reinterpret_cast<const char*>(data), size));
  rt::Value args[1] = {text.value()}, result;
  rt::cmd_to_int(&result, 1, args);
  int32_t n = static_cast<int32_t>(result.low);
  rt::Value byte;
  rt::cmd_to_byte(&byte, 1, args);
  if (byte.low != static_cast<uint8_t>(n)) std::abort();
  bool ascii = true;
  for (const char* p = text.c_str(); *p; ++p) ascii = ascii && static_cast<unsigned char>(*p) < 0x80;
  if (ascii) {
    errno = 0;
    long long want = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == 0 && want >= INT32_MIN && want <= INT32_MAX && want != n) std::abort();
  }
  return 0;
}
