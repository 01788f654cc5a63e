// Start-up to the shown main window, as a ratio to a plain window of the same size with one
// caption (so both pay the font set-up that any text needs) shown by the same machine in the
// same run, on this build's windowed backend. Each start is a fresh process (this program run
// in one of its two child modes, so both start the same way); the parent times
// spawn-to-"shown" and takes medians.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/units.h"
#include "bench/app/app_bench_support.h"
#include "bench/platform/bench_window.h"
#include "platform/child_processes.h"
#include "platform/process.h"
#include "runtime/form_host.h"

namespace {

constexpr int kStarts = 15;
// How long a child may take to show its window before it is counted as not showing it: a
// bound for a child that never does, far above any start, loaded machine or not.
constexpr int kShowBudgetMs = 60000;

// A step reached, one line to the parent, which times its arrival.
void report_step(const char* step) {
  std::puts(step);
  std::fflush(stdout);
}

[[noreturn]] void report_shown(bool shown) {
  report_step(shown ? "shown" : "not shown");
  std::_Exit(0);
}

void child_tool(const char* dir) {
  report_step("running");
  bench_app::start_tool(dir);
  report_step("loaded");
  platform::Handle frame = rt::form_host().unit_window(app::kMainForm, app::unit::kForm.id, false).window;
  report_shown(bench_window::wait_until_shown(frame, kShowBudgetMs));
}

void child_plain() { report_shown(bench_window::show_plain_window(575, 578, kShowBudgetMs)); }

// Milliseconds from spawning a child until each line it printed.
struct Steps {
  double running = -1, loaded = -1, shown = -1;
};

// Milliseconds from spawning a child in `mode` until it reports its window shown (and the
// steps before); -1 when it does not.
double time_child(const std::string& self, const std::vector<std::string>& mode, Steps* steps = nullptr) {
  platform::ChildProcesses child;
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  if (!child.start(self, mode, error)) {
    std::printf("cannot start %s: %s\n", self.c_str(), error.c_str());
    return -1;
  }
  Steps seen;
  std::string said;  // everything the child wrote, shown when it did not report its window
  child.wait_all([&](size_t, platform::ChildStream stream, std::string_view line) {
    said.append(line).append("\n");
    if (stream != platform::ChildStream::Out) return;
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (line == "running") seen.running = ms;
    if (line == "loaded") seen.loaded = ms;
    if (line == "shown") seen.shown = ms;
  });
  if (steps) *steps = seen;
  if (seen.shown < 0)
    std::printf("%s: exit status %d, output:\n%s", mode[0].c_str(), child.exit_status(0), said.c_str());
  return seen.shown;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::strcmp(argv[1], "--tool") == 0) child_tool(argv[2]);
  if (argc > 1 && std::strcmp(argv[1], "--plain") == 0) child_plain();
  const std::string self = platform::program_path();
  const std::string dir = bench_app::temp_dir("dtu-bench-start");  // the tool's folder, left empty
  std::vector<double> tool, plain, ratios, running, loaded;
  // One start of each first, not counted: the first windows after a build, or in a fresh
  // Wine prefix, pay one-time set-up (fonts, the desktop process), which is not start-up.
  if (time_child(self, {"--plain"}) < 0 || time_child(self, {"--tool", dir}) < 0) {
    std::puts("startup_ratio: a child did not show its window");
    return 1;
  }
  for (int i = 0; i < kStarts; ++i) {
    const double p = time_child(self, {"--plain"});
    Steps steps;
    const double t = time_child(self, {"--tool", dir}, &steps);
    if (p < 0 || t < 0) {
      std::puts("startup_ratio: a child did not show its window");
      return 1;
    }
    plain.push_back(p);
    tool.push_back(t);
    ratios.push_back(t / p);
    running.push_back(steps.running);
    loaded.push_back(steps.loaded);
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  std::sort(ratios.begin(), ratios.end());
  const double mt = bench_app::median(tool), mp = bench_app::median(plain);
  std::printf("tool %.1f ms, plain window %.1f ms (medians of %d starts each, alternating); pair ratios %.2f-%.2f\n",
              mt, mp, kStarts, ratios.front(), ratios.back());
  std::printf("tool: in main at %.1f ms, main form loaded at %.1f ms, shown and idle at %.1f ms\n",
              bench_app::median(running), bench_app::median(loaded), mt);
  std::printf("startup_ratio%s=%.3f\n", bench_window::kFigureSuffix, mt / mp);
  return 0;
}
