// How much processor time the UI thread burns while a handler waits in delay: delay(2000)
// runs with a 50 ms timer ticking and another thread posting messages, on this build's
// windowed backend. The share is the process's CPU time over the wall time, an upper bound
// for the UI thread's own share; the goal is at most 0.01.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "bench/platform/bench_window.h"
#include "runtime/library/commands.h"

namespace {

constexpr uint32_t kPosted = 0x401;

struct CountingSink final : platform::WindowSink {
  int ticks = 0, posted = 0;
  void on_notify(platform::Handle, platform::Notify) override {}
  bool on_key(platform::Handle, platform::KeyPress) override { return false; }
  bool on_char(platform::Handle, uint32_t) override { return true; }
  void on_timer(platform::Handle, uint32_t) override { ++ticks; }
  void on_posted(platform::Handle, uint32_t, uintptr_t, intptr_t) override { ++posted; }
};

}  // namespace

int main() {
  platform::Backend& backend = bench_window::open_backend();
  CountingSink sink;
  backend.set_sink(&sink);
  platform::CreateParams params;
  params.kind = platform::WidgetKind::Frame;
  platform::Handle window = backend.create(params);
  backend.set_timer(window, 1, 50);

  std::atomic<bool> stop{false};
  std::thread poster([&] {
    while (!stop.load()) {
      backend.post(window, kPosted, 0, 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });

  rt::Value result, args[1];
  args[0].set_int(2000);
  const double cpu_start = bench_window::process_cpu_seconds();
  const auto wall_start = std::chrono::steady_clock::now();
  rt::cmd_delay(&result, 1, args);
  const double cpu = bench_window::process_cpu_seconds() - cpu_start;
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
  stop.store(true);
  poster.join();

  backend.kill_timer(window, 1);
  backend.destroy(window);
  std::printf("wall=%.3f s cpu=%.4f s ticks=%d posted=%d\n", wall, cpu, sink.ticks, sink.posted);
  std::printf("delay_cpu_share%s=%.4f\n", bench_window::kFigureSuffix, wall > 0 ? cpu / wall : 0.0);
  std::fflush(stdout);
  std::_Exit(sink.ticks > 0 && sink.posted > 0 ? 0 : 1);  // the backend is static: no teardown after main
}
