// rx_throughput for the Windows build under Wine: bytes per second from the far end of a
// Windows COM port to the DataReceived handler, through the Win32 serial device. The port is
// COM23, a pseudo-terminal that wine_rx_feeder.py links into the Wine prefix and fills with
// the pattern once it hears "go". The UI side runs on the headless backend's queue.
#include <cstdio>
#include <string>

#include "bench/units/serial_bench.h"
#include "platform/process.h"
#include "platform/win32/serial_device.h"
#include "tests/platform/win32_user.h"

namespace {

constexpr int kCom = 23;

}  // namespace

int main() {
  using namespace units;
  const std::string feeder = platform::environment("DTU_RX_FEEDER").value_or("");
  const std::string dosdevices = platform::environment("DTU_WINE_DOSDEVICES").value_or("");
  if (feeder.empty() || dosdevices.empty()) {
    std::puts("run through bench/run-windows: DTU_RX_FEEDER and DTU_WINE_DOSDEVICES are not set");
    return 1;
  }
  const std::string link = dosdevices + "/com" + std::to_string(kCom);
  if (!win32_user::run_host_program(
          {"/usr/bin/python3", feeder, link, std::to_string(units::bench::kRxTotal)}, link + ".ready", 10000)) {
    std::puts("the feeder did not start");
    return 1;
  }
  platform::headless::HeadlessBackend ui;
  std::unique_ptr<forms::Unit> unit = bench::make_port_unit(ui, kCom, platform::win32::open_serial_device);
  SerialPortUnit& port = static_cast<SerialPortUnit&>(*unit);
  port.set_property(kBaudRate, {115200, {}});
  if (!port.open_with_settings() || !port.send(reinterpret_cast<const uint8_t*>("go"), 2)) {
    std::puts("cannot open the feeder's pseudo-terminal as a COM port");
    return 1;
  }
  const bench::RxCount count = bench::measure_rx(ui, [] {});
  port.send(reinterpret_cast<const uint8_t*>("end"), 3);
  port.close();
  std::printf("Windows build under Wine; device: Win32 COM port on a pseudo-terminal; UI side: headless queue\n");
  return bench::report_rx(count);
}
