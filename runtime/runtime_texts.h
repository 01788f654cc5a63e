// Access to the runtime core's GBK texts (generated from runtime/messages.txt).
#pragma once

#include <cstdint>
#include <string_view>

#include "dtu_runtime_texts.h"

namespace rt {

inline std::string_view text(uint32_t offset) { return texts::text_at(offset); }

}  // namespace rt
