// The event-suppression counter: while it is above zero the form runtime calls no handler.
// A runtime error may raise it from a worker thread, so it is atomic.
#include <atomic>

#include "runtime/core_services.h"
#include "runtime/runtime_state.h"

namespace rt {
namespace {
std::atomic<int> g_suppression{0};
}

void raise_suppression() { g_suppression.fetch_add(1); }

void lower_suppression() {
  int current = g_suppression.load();
  while (current > 0 && !g_suppression.compare_exchange_weak(current, current - 1)) {
  }
}

bool events_suppressed() { return g_suppression.load() > 0; }

void detail::reset_suppression() { g_suppression.store(0); }

}  // namespace rt
