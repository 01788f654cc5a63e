// The benchmarks' window on Linux: the Qt backend, driven through the Qt user of the tests.
#include <cstdlib>
#include <ctime>
#include <memory>

#include "bench/platform/bench_window.h"
#include "platform/qt/qt_backend.h"
#include "tests/platform/qt_user.h"

namespace bench_window {
namespace {

std::unique_ptr<platform::qt::QtBackend> g_backend;

// Offscreen, unless the caller chose a platform.
void choose_platform() { setenv("QT_QPA_PLATFORM", "offscreen", 0); }

}  // namespace

const char* const kFigureSuffix = "";

platform::Backend& open_backend() {
  static int argc = 1;
  static char name[] = "dtu-setup";
  static char* argv[] = {name, nullptr};
  choose_platform();
  g_backend = std::make_unique<platform::qt::QtBackend>(argc, argv);
  platform::set_backend(g_backend.get());
  return *g_backend;
}

void answer_message_boxes() { qt_user::answer_message_boxes(); }
const std::vector<std::string>& messages() { return qt_user::messages(); }
void click(platform::Handle button) { qt_user::click(*g_backend, button); }
bool run_until(const std::function<bool()>& done, int budget_ms) { return qt_user::run_until(done, budget_ms); }
bool wait_until_shown(platform::Handle window, int budget_ms) {
  return qt_user::wait_until_shown(*g_backend, window, budget_ms);
}
bool show_plain_window(int width, int height, int budget_ms) {
  choose_platform();
  return qt_user::show_plain_window(width, height, budget_ms);
}

double process_cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace bench_window
