#include "platform/backend.h"

#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {
Backend* g_backend = nullptr;
}

Backend& backend() {
  if (!g_backend) {
    std::fputs("dtu-setup: no platform backend was chosen\n", stderr);
    std::abort();
  }
  return *g_backend;
}

void set_backend(Backend* b) { g_backend = b; }

}  // namespace platform
