// The extended-UI support library (number 3) as a program lists it in its start-up record.
#pragma once

#include "runtime/library.h"

namespace forms {

const rt::LibraryDescriptor& extended_ui_library();

}  // namespace forms
