// Turns the parsed description into the template's form description: texts converted to
// GBK, type data encoded per type (defaults first, then the unit's own options), group box
// child lists derived from the container column, handler slots turned into code offsets.
#pragma once

#include "forms/template_encoder.h"
#include "runtime/event.h"
#include "tools/formgen/tpl_model.h"

namespace formgen {

// Throws TplError (with the offending unit's line) on an inconsistent description. Handler
// slots become offsets of `handler_size` bytes each: the size of a handler's address in the
// program the segment is built into, which need not be the generator's own (a 32-bit program
// built on a 64-bit machine).
forms::FormDescription build_form(const TplSpec& spec, int32_t handler_size = sizeof(rt::EventHandler));

// The data type of a type name of the description; 0 when unknown.
uint32_t data_type_of(const std::string& type_name);

}  // namespace formgen
