// Bytes per second from the far end of a pseudo-terminal to the DataReceived handler: one
// event per byte, every byte checked against the sent pattern.
#include <cstdio>
#include <thread>

#include "bench/units/bench_support.h"

int main() {
  using namespace units;
  bench::PtyPort bench;
  if (!bench.set_up()) return 1;
  SerialPortUnit& port = bench.port();
  platform::posix::PseudoTerminal& pty = bench.pty;
  platform::headless::HeadlessBackend& ui = bench.ui;
  port.set_property(kBaudRate, {4000000, {}});
  if (!port.open_with_settings() || !port.send(reinterpret_cast<const uint8_t*>("go"), 2) ||
      pty.read(2, 5000) != "go") {
    std::puts("cannot open the pseudo-terminal as a serial port");
    return 1;
  }

  long rss_mid = 0;
  const long rss_start = units::bench::resident_kib();
  std::thread writer([&] {
    std::string chunk(4096, '\0');
    for (size_t sent = 0; sent < bench::kRxTotal; sent += chunk.size()) {
      for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(bench::rx_pattern(sent + i));
      pty.write(chunk);
    }
  });
  const bench::RxCount count = bench::measure_rx(ui, [&] { rss_mid = units::bench::resident_kib(); });
  writer.join();
  const long rss_end = units::bench::resident_kib();
  port.close();

  std::printf("UI side: headless backend queue (the windowed backend is not used here)\n");
  std::printf("resident memory: start %ld KiB, halfway %ld KiB, end %ld KiB\n", rss_start, rss_mid, rss_end);
  return bench::report_rx(count);
}
