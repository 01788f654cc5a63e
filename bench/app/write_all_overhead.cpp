// Wall time of a complete write of the thirteen settings against dtu-sim answering at once
// at 115200 baud, divided by what the protocol itself needs: thirteen times the 500 ms
// receive window plus the wait to the next poll. A poll waits "more than 100 ms" on a
// millisecond tick, so polls fall at 101 ms steps and the window, closed about 501 ms after
// the command, is seen at the fifth poll: 505 ms a step. On this build's windowed backend.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/units.h"
#include "bench/app/app_bench_support.h"
#include "bench/platform/bench_window.h"
#include "runtime/helpers.h"
#include "tests/app/tool_probe.h"

using namespace app;

using tool_probe::operations_enabled;
using tool_probe::window;

int main() {
  constexpr double kPollMs = 101, kWindowMs = 500, kLineMs = 2;  // 20-odd bytes at 115200 baud
  const double kFloorMs = 13 * kPollMs * std::ceil((kWindowMs + kLineMs) / kPollMs);
  auto sim = bench_app::Simulator::start({"--baud", "115200", "--reply-delay", "0", "--boot-delay", "200", "--quiet"});
  if (!sim) {
    std::puts("write_all_overhead: dtu-sim did not start");
    return 1;
  }
  std::string dir = bench_app::temp_dir("dtu-bench-write");
  platform::Backend& backend = bench_app::start_tool(dir);
  bench_window::answer_message_boxes();
  rt::helpers().write_property(kMainForm, unit::kLinkBaudBox.id, prop::kComboSelection, -1, 9, 0);  // 115200
  backend.set_text(window(unit::kWorkBaud), "9600");
  bench_window::click(window(unit::kConnectButton));
  if (!bench_window::run_until(operations_enabled, 15000)) {
    std::puts("write_all_overhead: the tool did not reach setting mode");
    return 1;
  }
  std::vector<double> ratios;
  for (int run = 0; run < 5; ++run) {
    const size_t answered = bench_window::messages().size();
    auto start = std::chrono::steady_clock::now();
    bench_window::click(window(unit::kWriteButton));
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    bool ok = bench_window::messages().size() > answered && bench_window::last_message() == "写入成功！！";
    std::printf("run %d: %.0f ms (%s)\n", run + 1, ms, ok ? "written" : bench_window::last_message().c_str());
    if (!ok) {  // what the DTU said last, from the traffic monitor
      const std::string shown = tool_probe::read_text(unit::kMonitor, prop::kEditContent);
      std::printf("the monitor's last bytes:\n%s\n", shown.substr(shown.size() - std::min<size_t>(shown.size(), 600)).c_str());
      return 1;
    }
    ratios.push_back(ms / kFloorMs);
  }
  sim->stop();
  std::printf("floor %.0f ms\nwrite_all_overhead%s=%.3f\n", kFloorMs, bench_window::kFigureSuffix,
              bench_app::median(ratios));
  std::fflush(stdout);
  std::_Exit(0);
}
