// Parser of the .tpl form description (format documented at the top of app/main_form.tpl).
#pragma once

#include <istream>

#include "tools/formgen/tpl_model.h"

namespace formgen {

// Throws TplError on a malformed line.
TplSpec parse_tpl(std::istream& in);

// Helpers shared with the builder: an option's single value as an integer or a text.
int64_t option_int(const Option& o, size_t index = 0);
const std::string& option_text(const Option& o, size_t index = 0);

}  // namespace formgen
