// Build-time generator of the main form's template segment.
//
//   formgen FORM.tpl OUT_SOURCE.cpp OUT_IDS.h
//
// Reads the readable form description, builds the binary segment, checks that it loads back
// (so a description the loader would refuse never reaches the program), and writes both
// outputs only when everything succeeded.
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
  if (argc != 4) {
    std::cerr << "usage: formgen FORM.tpl OUT_SOURCE.cpp OUT_IDS.h\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "formgen: cannot read " << argv[1] << "\n";
    return 1;
  }
  try {
    const formgen::TplSpec spec = formgen::parse_tpl(in);
    const forms::FormDescription form = formgen::build_form(spec);
    const std::vector<uint8_t> segment = forms::encode_template_segment({form});
    if (!loads_back(segment, spec.handlers.size())) {
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
