// What the serial benchmarks share on every system: the serial port unit of the main form
// with its UI side on the headless backend's queue, and the receive measurement (every
// received byte checked against the sent pattern as its DataReceived event arrives, the UI
// queue dispatched until all have come or two minutes pass).
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

#include "platform/headless/headless_backend.h"
#include "runtime/window_router.h"
#include "tests/units/fake_form_host.h"
#include "units/serial_port_unit.h"

namespace units::bench {

// Makes `ui` the backend and creates the serial port unit, set to COM `port_number`, opening
// its devices with `opener`.
inline std::unique_ptr<forms::Unit> make_port_unit(platform::headless::HeadlessBackend& ui, int port_number,
                                                   DeviceOpener opener) {
  platform::set_backend(&ui);
  rt::install_window_router();
  rt::set_form_host(&units::test::fake_host());
  set_device_opener(std::move(opener));
  platform::CreateParams frame;
  frame.kind = platform::WidgetKind::Frame;
  forms::CreateContext c;
  c.owner = &units::test::fake_host();
  c.form_id = 0x52010001;
  c.unit_id = 0x1601004C;
  c.parent = ui.create(frame);
  std::unique_ptr<forms::Unit> unit = SerialPortUnit::create(c);
  unit->set_property(kPortNumber, {port_number, {}});
  return unit;
}

inline constexpr size_t kRxTotal = 8u << 20;
inline uint8_t rx_pattern(size_t i) { return static_cast<uint8_t>((i * 7) % 251); }

struct RxCount {
  size_t received = 0, wrong = 0;
  size_t first_wrong = 0;  // its position, when there is one
  double seconds = 0;
  bool complete() const { return received == kRxTotal && wrong == 0; }
};

// Counts from now on; `halfway` runs once half the bytes have come.
inline RxCount measure_rx(platform::headless::HeadlessBackend& ui, const std::function<void()>& halfway) {
  RxCount c;
  units::test::fake_host().record = false;
  units::test::fake_host().handler = [&](const rt::EventRecord& r) {
    if (r.event_index != kEventDataReceived) return;
    if (static_cast<uint8_t>(r.args[0]) != rx_pattern(c.received) && c.wrong++ == 0) c.first_wrong = c.received;
    if (++c.received == kRxTotal / 2) halfway();
  };
  const auto t0 = std::chrono::steady_clock::now();
  const auto give_up = t0 + std::chrono::seconds(120);
  while (c.received < kRxTotal && std::chrono::steady_clock::now() < give_up) {
    ui.process_pending();
    std::this_thread::yield();
  }
  c.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  return c;
}

inline int report_rx(const RxCount& c) {
  std::printf("bytes sent %zu, received %zu, out of order or wrong %zu\n", kRxTotal, c.received, c.wrong);
  if (c.wrong) std::printf("first wrong byte at %zu\n", c.first_wrong);
  std::printf("rx_throughput_bytes_per_s=%.0f\n", c.complete() ? kRxTotal / c.seconds : 0.0);
  return c.complete() ? 0 : 1;
}

}  // namespace units::bench
