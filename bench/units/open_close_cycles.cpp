// 1,000 open/close cycles of the serial port on a pseudo-terminal; no thread or descriptor
// may be left behind.
#include <chrono>
#include <cstdio>

#include "bench/units/bench_support.h"

int main() {
  using namespace units;
  constexpr int kCycles = 1000;
  bench::PtyPort bench;
  if (!bench.set_up()) return 1;
  SerialPortUnit& port = bench.port();

  const long fds0 = bench::open_descriptors(), threads0 = bench::threads();
  int failures = 0;
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < kCycles; ++i) {
    if (!port.open_with_settings()) ++failures;
    port.close();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const long fds1 = bench::open_descriptors(), threads1 = bench::threads();

  std::printf("UI side: headless backend queue (the windowed backend is not used here)\n");
  std::printf("cycles %d, failed opens %d, descriptors %ld -> %ld, threads %ld -> %ld\n", kCycles, failures, fds0,
              fds1, threads0, threads1);
  const bool clean = failures == 0 && fds0 == fds1 && threads0 == threads1;
  std::printf("open_close_cycles_per_s=%.0f\n", clean ? kCycles / seconds : 0.0);
  return clean ? 0 : 1;
}
