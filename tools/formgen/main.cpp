// Build-time generator of the main form's template segment.
//
//   formgen FORM.tpl OUT_SOURCE.cpp OUT_IDS.h [HANDLER_SIZE]
//
// Reads the readable form description, builds the binary segment, checks that it loads back
// (so a description the loader would refuse never reaches the program), and writes both
// outputs only when everything succeeded. HANDLER_SIZE is the size in bytes of a handler's
// address in the program the segment goes into (4 in a 32-bit program); by default the
// generator's own.
#include <fstream>
#include <iostream>

#include "forms/template.h"
#include "forms/template_encoder.h"
#include "tools/formgen/emit.h"
#include "tools/formgen/tpl_parser.h"
#include "tools/formgen/unit_builder.h"

namespace {

bool write_file(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

// Loads the segment back with a code base large enough for every declared slot.
bool loads_back(const std::vector<uint8_t>& segment, size_t slots) {
  std::vector<rt::EventHandler> table(slots, nullptr);
  const rt::CodeBase code_base{static_cast<uint32_t>(slots), table.data()};
  std::vector<forms::Form> forms;
  return forms::load_template_segment(segment, &code_base, forms);
}

}  // namespace

int main(int argc, char** argv) {
  const int32_t own_size = static_cast<int32_t>(sizeof(rt::EventHandler));
  int32_t handler_size = own_size;
  if (argc == 5) {
    const std::string size = argv[4];
    handler_size = size == "4" ? 4 : size == "8" ? 8 : 0;
  }
  if ((argc != 4 && argc != 5) || handler_size == 0) {
    std::cerr << "usage: formgen FORM.tpl OUT_SOURCE.cpp OUT_IDS.h [4|8]\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "formgen: cannot read " << argv[1] << "\n";
    return 1;
  }
  try {
    const formgen::TplSpec spec = formgen::parse_tpl(in);
    const forms::FormDescription form = formgen::build_form(spec, handler_size);
    const std::vector<uint8_t> segment = forms::encode_template_segment({form});
    // Checked as the generator's own loader reads it: the same segment but for the offsets.
    const std::vector<uint8_t> own =
        handler_size == own_size ? segment : forms::encode_template_segment({formgen::build_form(spec, own_size)});
    if (own.size() != segment.size() || !loads_back(own, spec.handlers.size())) {
      std::cerr << "formgen: the generated segment does not load back\n";
      return 1;
    }
    const std::string header_path = argv[3];
    const std::string header_name = header_path.substr(header_path.find_last_of('/') + 1);
    if (!write_file(argv[2], formgen::segment_source(segment, header_name, argv[1])) ||
        !write_file(header_path, formgen::ids_header(spec, form.id, argv[1]))) {
      std::cerr << "formgen: cannot write the outputs\n";
      return 1;
    }
  } catch (const formgen::TplError& e) {
    std::cerr << argv[1] << ":" << e.line << ": " << e.message << "\n";
    return 1;
  }
  return 0;
}
