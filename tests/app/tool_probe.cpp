#include "tests/app/tool_probe.h"

#include "runtime/form_host.h"
#include "runtime/helpers.h"

namespace tool_probe {

platform::Handle window(app::UnitId u) { return rt::form_host().unit_window(app::kMainForm, u.id, false).window; }

std::string read_text(app::UnitId u, int index) {
  uint64_t v = rt::helpers().read_property(app::kMainForm, u.id, index, -1);
  char* p = reinterpret_cast<char*>(static_cast<uintptr_t>(v));
  std::string s = p ? p : "";
  rt::helpers().free(p);
  return s;
}

int32_t read_int(app::UnitId u, int index) {
  return static_cast<int32_t>(rt::helpers().read_property(app::kMainForm, u.id, index, -1));
}

std::string value(app::UnitId u) { return read_text(u, app::value_property(u)); }

bool operations_enabled() {
  for (auto u : {app::unit::kReadButton, app::unit::kSaveButton, app::unit::kWriteButton, app::unit::kResetButton})
    if (read_int(u, app::prop::kDisabled) != 0) return false;
  return true;
}

}  // namespace tool_probe
