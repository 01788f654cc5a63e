// How much processor time the UI thread burns while a handler waits in delay: delay(2000)
// runs with a 50 ms timer ticking and another thread posting messages, on the windowed
// backend (offscreen). The share is the process's CPU time over the wall time, an upper
// bound for the UI thread's own share; the goal is at most 0.01.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

#include "platform/qt/qt_backend.h"
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
  int argc = 3;
  char arg0[] = "bench_delay_cpu_share", arg1[] = "-platform", arg2[] = "offscreen";
  char* argv[] = {arg0, arg1, arg2, nullptr};
  platform::qt::QtBackend backend(argc, argv);
  platform::set_backend(&backend);
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
  const std::clock_t cpu_start = std::clock();
  const auto wall_start = std::chrono::steady_clock::now();
  rt::cmd_delay(&result, 1, args);
  const double cpu = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
  stop.store(true);
  poster.join();

  backend.kill_timer(window, 1);
  backend.destroy(window);
  platform::set_backend(nullptr);
  std::printf("wall=%.3f s cpu=%.4f s ticks=%d posted=%d\n", wall, cpu, sink.ticks, sink.posted);
  std::printf("delay_cpu_share=%.4f\n", wall > 0 ? cpu / wall : 0.0);
  return sink.ticks > 0 && sink.posted > 0 ? 0 : 1;
}
