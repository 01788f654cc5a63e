// Bytes per second from the far end of a pseudo-terminal to the DataReceived handler: one
// event per byte, every byte checked against the sent pattern.
#include <chrono>
#include <cstdio>
#include <thread>

#include "bench/units/bench_support.h"
#include "tests/units/fake_form_host.h"
#include "units/serial_port_unit.h"

namespace {

constexpr size_t kTotal = 8u << 20;
uint8_t pattern(size_t i) { return static_cast<uint8_t>((i * 7) % 251); }

}  // namespace

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

  size_t received = 0, wrong = 0;
  long rss_mid = 0;
  units::test::fake_host().record = false;
  units::test::fake_host().handler = [&](const rt::EventRecord& r) {
    if (r.event_index != kEventDataReceived) return;
    if (static_cast<uint8_t>(r.args[0]) != pattern(received)) ++wrong;
    if (++received == kTotal / 2) rss_mid = units::bench::resident_kib();
  };

  const long rss_start = units::bench::resident_kib();
  const auto t0 = std::chrono::steady_clock::now();
  std::thread writer([&] {
    std::string chunk(4096, '\0');
    for (size_t sent = 0; sent < kTotal; sent += chunk.size()) {
      for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(pattern(sent + i));
      pty.write(chunk);
    }
  });
  const auto give_up = t0 + std::chrono::seconds(120);
  while (received < kTotal && std::chrono::steady_clock::now() < give_up) {
    ui.process_pending();
    std::this_thread::yield();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  writer.join();
  const long rss_end = units::bench::resident_kib();
  port.close();

  std::printf("UI side: headless backend queue (the windowed backend is not used here)\n");
  std::printf("bytes sent %zu, received %zu, out of order or wrong %zu\n", kTotal, received, wrong);
  std::printf("resident memory: start %ld KiB, halfway %ld KiB, end %ld KiB\n", rss_start, rss_mid, rss_end);
  std::printf("rx_throughput_bytes_per_s=%.0f\n", received == kTotal && wrong == 0 ? kTotal / seconds : 0.0);
  return received == kTotal && wrong == 0 ? 0 : 1;
}
