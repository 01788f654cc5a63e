// Turns the parsed description into the template's form description: texts converted to
// GBK, type data encoded per type (defaults first, then the unit's own options), group box
// child lists derived from the container column, handler slots turned into code offsets.
#pragma once

#include "forms/template_encoder.h"
#include "tools/formgen/tpl_model.h"

namespace formgen {

// Throws TplError (with the offending unit's line) on an inconsistent description.
forms::FormDescription build_form(const TplSpec& spec);

// The data type of a type name of the description; 0 when unknown.
uint32_t data_type_of(const std::string& type_name);

}  // namespace formgen
