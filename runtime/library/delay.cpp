// delay: a wait that keeps dispatching messages.
#include <algorithm>
#include <cstdint>

#include "platform/backend.h"
#include "runtime/core_services.h"
#include "runtime/library/command_support.h"
#include "runtime/library/commands.h"

namespace rt {
namespace {

// Two rounds of dispatching, as the wait does before and after each look at the clock.
void dispatch_twice() {
  process_pending_messages();
  process_pending_messages();
}

}  // namespace

// Waits at least `ms` milliseconds of the tick counter while every queued message is
// dispatched to its handler, nested inside the caller. Between rounds it sleeps in the
// backend until something is queued or the time is up, so a wait costs no processor time.
// A quit request is never dispatched here: it stays queued for the main loop.
void cmd_delay(Value*, int, Value* args) {
  int32_t ms = convert::to_int(args[0]);
  if (ms <= 0) return;
  platform::Backend& ui = platform::backend();
  const uint32_t start = ui.tick_count();
  const uint32_t wanted = static_cast<uint32_t>(ms);
  for (;;) {
    dispatch_twice();
    // Modulo 2^32, so the counter's wrap does not end the wait early.
    uint32_t elapsed = ui.tick_count() - start;
    if (elapsed > wanted) return;
    dispatch_twice();
    elapsed = ui.tick_count() - start;
    // At most INT32_MAX: one more would turn into a negative time-out, an endless wait.
    if (elapsed <= wanted) ui.wait(static_cast<int>(std::min<uint32_t>(wanted - elapsed + 1, INT32_MAX)));
  }
}

}  // namespace rt
