// The runtime's hidden helper window. Other threads reach the UI thread through it: an exit
// request or a runtime error posted here is carried out where the window system lives.
#include "platform/backend.h"
#include "runtime/runtime_app.h"
#include "runtime/runtime_state.h"
#include "runtime/window_router.h"

namespace rt::detail {
namespace {

class HelperReceiver final : public WindowReceiver {
 public:
  void on_posted(uint32_t code, uintptr_t wparam, intptr_t lparam) override {
    if (code == kExitRequestMessage) exit_program(static_cast<int>(wparam));
    if (code == kRuntimeErrorMessage) show_forwarded_runtime_error(reinterpret_cast<char*>(lparam));
  }
};

HelperReceiver& receiver() {
  static HelperReceiver r;
  return r;
}

}  // namespace

void create_helper_window() {
  platform::CreateParams params;
  params.kind = platform::WidgetKind::Hidden;
  platform::Handle h = platform::backend().create(params);
  route_window(h, &receiver());
  state().helper_window.store(h);
}

void destroy_helper_window() {
  platform::Handle h = state().helper_window.exchange(0);
  if (!h) return;
  unroute_window(h);
  if (platform::backend().exists(h)) platform::backend().destroy(h);
}

}  // namespace rt::detail
