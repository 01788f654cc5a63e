#include "tests/library/fake_form_host.h"

#include <cstdint>

#include "platform/backend.h"
#include "runtime/core_services.h"
#include "tests/library/library_test_support.h"

namespace lib_test {

rt::UnitWindow FakeFormHost::unit_window(uint32_t form_id, uint32_t unit_id, bool strict) {
  auto it = units.find({form_id, unit_id});
  if (it != units.end()) return it->second;
  if (strict) rt::runtime_error(gbk("指定窗口或窗口组件不存在或尚未载入"));
  return {};
}

void FakeFormHost::append_text(uint32_t form_id, uint32_t unit_id, std::string_view gbk) {
  platform::backend().edit_append(unit_window(form_id, unit_id, true).window, gbk);
}

FakeFormHost& fake_host() {
  static FakeFormHost host;
  return host;
}

}  // namespace lib_test
