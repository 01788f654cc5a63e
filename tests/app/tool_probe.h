// The tool's units as tests and benchmarks read them: through the runtime's helper table
// and the form host, so the same probes serve every backend.
#pragma once

#include <cstdint>
#include <string>

#include "app/units.h"
#include "platform/window_types.h"

namespace tool_probe {

platform::Handle window(app::UnitId u);  // 0 when the unit has no live window
std::string read_text(app::UnitId u, int index);  // GBK
int32_t read_int(app::UnitId u, int index);
std::string value(app::UnitId u);  // a setting unit's value (GBK)
bool operations_enabled();         // all four operation buttons

}  // namespace tool_probe
