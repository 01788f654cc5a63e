// read_from_file on arbitrary file contents into variables of every kind: no crash, no
// read past a block, a failed text, binary or array variable is left empty, and the
// command never asks for more memory than the file could fill.
#include <cstdlib>
#include <fstream>
#include <string>

#include "fuzz/library/fuzz_support.h"
#include "fuzz/scratch_dir.h"
#include "runtime/library/commands.h"

namespace {

const std::string& scratch_path() {
  static const std::string path = fuzz_support::scratch_dir("dtu-fuzz-read") + "/file";
  return path;
}

struct Variables {
  char* text = nullptr;
  uint8_t* binary = nullptr;
  int32_t number = 0;
  uint8_t byte = 0;
  double real = 0;
  uint8_t* ints = nullptr;
  uint8_t* texts = nullptr;

  ~Variables() {
    rt::free(text);
    rt::free(binary);
    rt::free(ints);
    rt::free_array(rt::kText, texts);
  }
  rt::Value pick(uint8_t selector) {
    rt::Value v;
    switch (selector % 7) {
      case 0: v.set_pointer(&text, rt::kText); break;
      case 1: v.set_pointer(&binary, rt::kBinary); break;
      case 2: v.set_pointer(&number, rt::kInt); break;
      case 3: v.set_pointer(&byte, rt::kByte); break;
      case 4: v.set_pointer(&real, rt::kDouble); break;
      case 5: v.set_pointer(&ints, rt::kInt | rt::kArrayBit); break;
      default: v.set_pointer(&texts, rt::kText | rt::kArrayBit); break;
    }
    return v;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  std::ofstream(scratch_path(), std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data + 4), static_cast<std::streamsize>(size - 4));
  lib_fuzz::ExactText name(scratch_path());
  rt::Value open_args[3] = {name.value(), lib_fuzz::int_value(1), rt::Value{}}, file;
  rt::cmd_open_file(&file, 3, open_args);
  if (file.low == 0) std::abort();

  Variables vars;
  vars.ints = rt::new_array(data[0] % 5, 4);
  vars.texts = rt::new_array(data[1] % 4, sizeof(char*));
  rt::Value args[4] = {lib_fuzz::int_value(static_cast<int32_t>(file.low)), vars.pick(data[1]), vars.pick(data[2]),
                       vars.pick(data[3])};
  for (int round = 0; round < 8; ++round) {
    rt::Value ok;
    rt::cmd_read_from_file(&ok, 4, args);
    if (ok.low == 0) {
      // Whatever failed among the pointer kinds is empty now; the arrays stay arrays.
      if (!vars.ints || rt::array_dimensions(vars.ints) != 1) std::abort();
      if (!vars.texts || rt::array_dimensions(vars.texts) != 1) std::abort();
      break;
    }
  }
  rt::Value close_args[1] = {args[0]}, none;
  rt::cmd_close_file(&none, 1, close_args);
  return 0;
}
