// The form host the composing program registered.
#include "runtime/form_host.h"

#include <cstdio>
#include <cstdlib>

namespace rt {
namespace {
FormHost* g_form_host = nullptr;
}

FormHost& form_host() {
  if (!g_form_host) {
    std::fputs("dtu-setup: no form runtime was registered\n", stderr);
    std::abort();
  }
  return *g_form_host;
}

void set_form_host(FormHost* host) { g_form_host = host; }
bool form_host_registered() { return g_form_host != nullptr; }

}  // namespace rt
