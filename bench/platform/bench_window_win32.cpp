// The benchmarks' window on Windows: the native Win32 backend, driven through the Win32 user.
#include <memory>

#include "bench/platform/bench_window.h"
#include "tests/platform/win32_user.h"
#include "platform/win32/win32_window_backend.h"

namespace bench_window {
namespace {

std::unique_ptr<platform::win32::Win32WindowBackend> g_backend;

}  // namespace

const char* const kFigureSuffix = "_wine";

platform::Backend& open_backend() {
  g_backend = std::make_unique<platform::win32::Win32WindowBackend>();
  platform::set_backend(g_backend.get());
  return *g_backend;
}

void answer_message_boxes() { win32_user::answer_message_boxes(); }
const std::vector<std::string>& messages() { return win32_user::messages(); }
void click(platform::Handle button) { win32_user::click(g_backend->native(button)); }

bool run_until(const std::function<bool()>& done, int budget_ms) {
  const uint32_t start = g_backend->tick_count();
  for (;;) {
    g_backend->process_pending();
    if (done()) return true;
    const uint32_t spent = g_backend->tick_count() - start;
    if (spent >= static_cast<uint32_t>(budget_ms)) return false;
    g_backend->wait(static_cast<int>(static_cast<uint32_t>(budget_ms) - spent));
  }
}

bool wait_until_shown(platform::Handle window, int budget_ms) {
  void* native = g_backend->native(window);
  return native && run_until([native] { return win32_user::shown_and_idle(native); }, budget_ms);
}

bool show_plain_window(int width, int height, int budget_ms) {
  return win32_user::show_plain_window(width, height, budget_ms);
}

double process_cpu_seconds() { return win32_user::process_cpu_seconds(); }

}  // namespace bench_window
