// The main message loop and the start form. The loop runs until the quit request that the
// form runtime posts when the last form window is gone.
#include "platform/backend.h"
#include "runtime/core_services.h"
#include "runtime/form_host.h"
#include "runtime/runtime_app.h"
#include "runtime/runtime_state.h"
#include "runtime/runtime_texts.h"

namespace rt {
namespace {

// Offers the idle event while forms ask for more and nothing is waiting to be dispatched.
void run_idle_period() {
  auto& b = platform::backend();
  const uint32_t start = b.tick_count();
  bool first = true;
  while (!b.quit_requested() && form_host().offer_idle(b.tick_count() - start, first)) {
    first = false;
    if (b.wait(0)) break;
  }
}

}  // namespace

void process_pending_messages() { platform::backend().process_pending(); }

void load_start_form(uint32_t form_id) {
  if (!form_host().load_form(form_id)) runtime_error(text(texts::kStartFormFailed));
}

void run_message_loop() {
  detail::state().loop_started.store(true);
  if (!form_host().any_form_alive()) return;
  auto& b = platform::backend();
  while (!b.quit_requested()) {
    b.process_pending();
    if (b.quit_requested()) break;
    run_idle_period();
    if (b.quit_requested()) break;
    b.wait(-1);
  }
}

}  // namespace rt
