// Two hundred working cycles on the real window (offscreen) against dtu-sim on a
// pseudo-terminal: connect, the boot handshake, read, a write every tenth cycle, disconnect.
// Every cycle must be correct (the read shows what was last written, each write succeeds),
// and the process must not accumulate: resident memory after the last cycle divided by
// after the tenth (goal at most 1.05), open descriptors and threads the same. The traffic
// monitor of a tool that has run for a shift is full and keeps trimming itself, its memory
// at a plateau (the text widget reuses what trimming frees only after a few rounds): it is
// brought there first, so what grows is what the cycles leave behind.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/units.h"
#include "bench/app/app_bench_support.h"
#include "bench/platform/bench_window.h"
#include "forms/edit_box.h"
#include "runtime/form_host.h"
#include "runtime/helpers.h"
#include "tests/app/tool_probe.h"

using namespace app;
using tool_probe::operations_enabled;
using tool_probe::value;
using tool_probe::window;

namespace {

constexpr int kCycles = 200, kWriteEvery = 10, kBaseline = 10;

platform::Backend* g_backend = nullptr;

// Earlier traffic, through the monitor's own append: four times what the monitor keeps.
void fill_monitor() {
  std::string lines;
  for (int n = 0; lines.size() < 4096; ++n) lines += "DATA " + std::to_string(n) + " temperature=21.5 state=RUN\r\n";
  for (size_t shown = 0; shown <= 4 * forms::EditBox::kLogLimit; shown += lines.size()) {
    rt::form_host().append_text(kMainForm, unit::kMonitor.id, lines);
    bench_window::run_until([] { return false; }, 0);  // one round of the event loop
  }
}

void click(UnitId u) { bench_window::click(window(u)); }

struct Usage {
  long rss_kib = 0;
  long descriptors = 0;
  long threads = 0;
};

Usage usage() {
  Usage u;
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) u.rss_kib = std::stol(line.substr(6));
    if (line.rfind("Threads:", 0) == 0) u.threads = std::stol(line.substr(8));
  }
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++u.descriptors;
  return u;
}

// One cycle; "" when it went right, else what went wrong.
std::string cycle(int n, std::string& device_id) {
  click(unit::kConnectButton);
  if (!bench_window::run_until(operations_enabled, 15000)) return "no setting mode";
  click(unit::kReadButton);
  if (bench_window::last_message() != "读出模块设置值成功！！") return "read: " + bench_window::last_message();
  if (value(unit::kDeviceId) != device_id) return "read the device id " + value(unit::kDeviceId) + ", not " + device_id;
  if (n % kWriteEvery == 0) {
    device_id = "SOAK-" + std::to_string(n);
    g_backend->set_text(window(unit::kDeviceId), device_id);
    if (n == kWriteEvery) {  // the factory settings leave these empty, and a write needs them
      g_backend->set_text(window(unit::kServerPort), "9000");
      g_backend->set_text(window(unit::kDomain), "dtu.example.net");
      rt::helpers().write_property(kMainForm, unit::kServerIp.id, prop::kIpAddress, -1,
                                   reinterpret_cast<uintptr_t>("10.0.0.7"), 0);
    }
    click(unit::kWriteButton);
    if (bench_window::last_message() != "写入成功！！") return "write: " + bench_window::last_message();
  }
  click(unit::kConnectButton);
  if (operations_enabled()) return "still connected";
  bench_window::run_until([] { return false; }, 50);  // lets deferred deletions run
  return "";
}

}  // namespace

int main() {
  auto sim = bench_app::Simulator::start({"--baud", "115200", "--reply-delay", "0", "--boot-delay", "50", "--quiet"});
  if (!sim) {
    std::puts("soak_cycles: dtu-sim did not start");
    return 1;
  }
  const std::string dir = bench_app::temp_dir("dtu-bench-soak");
  g_backend = &bench_app::start_tool(dir);
  bench_window::answer_message_boxes();
  rt::helpers().write_property(kMainForm, unit::kLinkBaudBox.id, prop::kComboSelection, -1, 9, 0);  // 115200

  fill_monitor();
  const auto start = std::chrono::steady_clock::now();
  std::string device_id;  // the simulator starts from its factory settings
  Usage baseline;
  for (int n = 1; n <= kCycles; ++n) {
    const std::string wrong = cycle(n, device_id);
    if (!wrong.empty()) {
      std::printf("soak_cycles: cycle %d: %s\n", n, wrong.c_str());
      return 1;
    }
    if (n % 10 == 0) {
      const Usage u = usage();
      if (n == kBaseline) baseline = u;
      std::printf("cycle %3d: %6ld KiB resident, %ld descriptors, %ld threads, %.0f s\n", n, u.rss_kib, u.descriptors,
                  u.threads, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
      std::fflush(stdout);
    }
  }
  const Usage end = usage();
  sim->stop();
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  if (end.descriptors != baseline.descriptors || end.threads != baseline.threads) {
    std::printf("soak_cycles: descriptors %ld -> %ld, threads %ld -> %ld\n", baseline.descriptors, end.descriptors,
                baseline.threads, end.threads);
    return 1;
  }
  std::printf("soak_rss_ratio=%.3f\n", static_cast<double>(end.rss_kib) / static_cast<double>(baseline.rss_kib));
  std::fflush(stdout);
  std::_Exit(0);
}
