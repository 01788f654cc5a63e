// The core support library (number 1) as a program lists it in its start-up record.
#pragma once

#include "runtime/library.h"

namespace units {

const rt::LibraryDescriptor& core_library();

}  // namespace units
