// The tool's processor share while a DTU in data mode streams text at 115200 baud for 60 s
// into the traffic monitor, on the real window (offscreen), measured in six windows of ten
// seconds each, with the tool in its own message loop. Goals: a share of at most 0.02, and
// the last window's share at most 1.1 times the first's (an append must not cost more as
// the monitor fills). Every streamed line must reach the monitor, in order.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/units.h"
#include "bench/app/app_bench_support.h"
#include "bench/platform/bench_window.h"
#include "platform/backend.h"
#include "platform/gbk_codec.h"
#include "runtime/form_host.h"
#include "runtime/helpers.h"
#include "runtime/runtime_app.h"
#include "tests/app/tool_probe.h"
#include "tests/platform/qt_user.h"

using namespace app;
using tool_probe::window;

namespace {

constexpr int kWindows = 6;
constexpr auto kWindow = std::chrono::seconds(10);

// The streamed lines in the monitor's text must be consecutive, "DATA <n> ...", from the
// first whole one on (the last may still be on its way). Returns the number of the last
// whole one, 0 when the order is broken.
unsigned long last_line_in_order(const std::string& text) {
  unsigned long expected = 0, last = 0;
  for (size_t at = text.find("DATA "); at != std::string::npos; at = text.find("DATA ", at + 5)) {
    if (text.find("\r\n", at) == std::string::npos) break;
    const unsigned long n = std::strtoul(text.c_str() + at + 5, nullptr, 10);
    if (expected != 0 && n != expected) {
      std::printf("line %lu follows line %lu\n", n, expected - 1);
      return 0;
    }
    last = n;
    expected = n + 1;
  }
  return last;
}

}  // namespace

int main() {
  auto sim = bench_app::Simulator::start(
      {"--baud", "115200", "--boot-delay", "100", "--boot-window", "0", "--stream", "--quiet"});
  if (!sim) {
    std::puts("monitor_flood: dtu-sim did not start");
    return 1;
  }
  const std::string dir = bench_app::temp_dir("dtu-bench-flood");
  platform::Backend& backend = bench_app::start_tool(dir);
  bench_window::answer_message_boxes();
  rt::helpers().write_property(kMainForm, unit::kLinkBaudBox.id, prop::kComboSelection, -1, 9, 0);  // 115200
  bench_window::click(window(unit::kConnectButton));
  // The tool answers the banner with the setting-mode request, too late for this DTU; the
  // write empties the input the worker had not read yet, so lines count from then on.
  const platform::Handle monitor = window(unit::kMonitor), status = window(unit::kStatusLine);
  if (!bench_window::run_until([&] { return platform::gbk_to_utf8_lossy(backend.text(status)) == "进入设置模式........"; }, 15000) ||
      !bench_window::run_until([&] { return backend.text(monitor).find("DATA ") != std::string::npos; }, 15000)) {
    std::puts("monitor_flood: the DTU's data did not reach the monitor");
    return 1;
  }
  const size_t from = backend.text(monitor).size();

  // The sampler sleeps between the window edges and ends the tool's loop after the last.
  std::vector<double> shares;
  std::thread sampler([&] {
    auto wall = std::chrono::steady_clock::now();
    double cpu = bench_window::process_cpu_seconds();
    for (int i = 0; i < kWindows; ++i) {
      std::this_thread::sleep_until(wall + kWindow);
      const auto now = std::chrono::steady_clock::now();
      const double now_cpu = bench_window::process_cpu_seconds();
      shares.push_back((now_cpu - cpu) / std::chrono::duration<double>(now - wall).count());
      wall = now;
      cpu = now_cpu;
    }
    platform::backend().post_quit(0);
  });
  rt::run_message_loop();
  sampler.join();

  const std::string shown = backend.text(monitor);
  if (const char* shots = std::getenv("DTU_SCREENSHOT_DIR"))
    qt_user::screenshot(static_cast<platform::qt::QtBackend&>(backend),  // built on Linux only
                         monitor, std::string(shots) + "/monitor-flood.png");
  const unsigned long last = last_line_in_order(shown.substr(from));
  sim->stop();
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  double total = 0;
  for (int i = 0; i < kWindows; ++i) {
    std::printf("seconds %2d-%2d: share %.4f\n", i * 10, i * 10 + 10, shares[i]);
    total += shares[i];
  }
  std::printf("monitor: %zu bytes, last line %lu\n", shown.size(), last);
  // 115200 baud is 11520 bytes a second.
  const size_t first = shown.find("DATA "), line_length = shown.find("DATA ", first + 5) - first;
  const double lines_expected = 60.0 * 11520 / static_cast<double>(line_length);
  if (last == 0 || static_cast<double>(last) < 0.9 * lines_expected) {
    std::puts("monitor_flood: the monitor lost or reordered streamed lines");
    return 1;
  }
  std::printf("monitor_flood_share=%.4f\nmonitor_flood_growth=%.3f\n", total / kWindows, shares.back() / shares.front());
  std::fflush(stdout);
  std::_Exit(0);
}
