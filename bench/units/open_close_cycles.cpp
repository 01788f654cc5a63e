// 1,000 open/close cycles of the serial port on a pseudo-terminal; no thread or descriptor
// may be left behind.
#include <chrono>
#include <cstdio>

#include "bench/units/bench_support.h"
#include "platform/headless/headless_backend.h"
#include "platform/posix/serial_device.h"
#include "platform/posix/serial_pty.h"
#include "runtime/window_router.h"
#include "units/serial_port_unit.h"

int main() {
  using namespace units;
  constexpr int kCycles = 1000;
  platform::headless::HeadlessBackend ui;
  platform::set_backend(&ui);
  rt::install_window_router();
  set_device_opener(platform::posix::open_serial_device);
  platform::posix::PseudoTerminal pty;
  if (!pty.valid()) {
    std::puts("no pseudo-terminal available");
    return 1;
  }
  setenv("DTU_SETUP_COM2", pty.slave_path().c_str(), 1);
  platform::CreateParams frame;
  frame.kind = platform::WidgetKind::Frame;
  forms::CreateContext c;
  c.form_id = 0x52010001;
  c.unit_id = 0x1601004C;
  c.parent = ui.create(frame);
  auto unit = SerialPortUnit::create(c);
  auto& port = static_cast<SerialPortUnit&>(*unit);
  port.set_property(kPortNumber, {2, {}});

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
