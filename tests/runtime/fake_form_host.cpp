#include "tests/runtime/fake_form_host.h"

namespace rt_test {
FakeFormHost& fake_host() {
  static FakeFormHost host;
  return host;
}
}  // namespace rt_test
