// Start-up to the shown main window, as a ratio to a plain Qt window of the same size with
// one caption (so both pay the font set-up that any text needs) shown by the same machine in
// the same run. Each start is a fresh process (this program run in
// one of its two child modes); the parent times spawn-to-"shown" and takes medians.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/units.h"
#include "bench/app/app_bench_support.h"
#include "runtime/form_host.h"
#include "tests/platform/qt_user.h"

namespace {

int child_tool() {
  std::string dir = bench_app::temp_dir("dtu-bench-start");
  auto backend = bench_app::start_tool(dir);
  platform::Handle frame = rt::form_host().unit_window(app::kMainForm, app::unit::kForm.id, false).window;
  bool shown = qt_user::wait_until_shown(*backend, frame, 10000);
  std::puts(shown ? "shown" : "not shown");
  std::fflush(stdout);
  std::_Exit(0);
}

int child_plain() {
  bool shown = qt_user::show_plain_window(575, 578, 10000);
  std::puts(shown ? "shown" : "not shown");
  std::fflush(stdout);
  std::_Exit(0);
}

// Milliseconds from spawning a child in `mode` until it reports its window shown.
double time_child(const char* self, const char* mode) {
  auto start = std::chrono::steady_clock::now();
  std::string error;
  auto child = dtusim::SimProcess::start(self, {mode}, "/dev/null", error);
  if (!child || child->read_line(20000) != "shown") return -1;
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  child->stop();
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--tool") == 0) return child_tool();
  if (argc > 1 && std::strcmp(argv[1], "--plain") == 0) return child_plain();
  std::vector<double> tool, plain;
  for (int i = 0; i < 7; ++i) {
    double p = time_child(argv[0], "--plain");
    double t = time_child(argv[0], "--tool");
    if (p < 0 || t < 0) {
      std::puts("startup_ratio: a child did not show its window");
      return 1;
    }
    plain.push_back(p);
    tool.push_back(t);
  }
  double mt = bench_app::median(tool), mp = bench_app::median(plain);
  std::printf("tool %.1f ms, plain window %.1f ms (medians of 7)\nstartup_ratio=%.3f\n", mt, mp, mt / mp);
  return 0;
}
