// rx_throughput for the Windows build under Wine: bytes per second from the far end of a
// Windows COM port to the DataReceived handler, through the Win32 serial device. The port is
// COM23, a pseudo-terminal that wine_rx_feeder.py links into the Wine prefix and fills with
// the pattern once it hears "go". The UI side runs on the headless backend's queue.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench/units/serial_bench.h"
#include "platform/process.h"
#include "platform/win32/serial_device.h"

namespace {

constexpr int kCom = 23;

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// Starts the feeder and waits (at most 10 s) until its link is there.
bool start_feeder(const std::string& feeder, const std::string& link) {
  std::wstring command = wide("python3 \"" + feeder + "\" \"" + link + "\" " + std::to_string(units::bench::kRxTotal));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(L"Z:\\usr\\bin\\python3", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi))
    return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  for (int i = 0; i < 200; ++i) {
    if (GetFileAttributesW(wide("Z:" + link + ".ready").c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(50);
  }
  return false;
}

}  // namespace

int main() {
  using namespace units;
  const std::string feeder = platform::environment("DTU_RX_FEEDER").value_or("");
  const std::string dosdevices = platform::environment("DTU_WINE_DOSDEVICES").value_or("");
  if (feeder.empty() || dosdevices.empty()) {
    std::puts("run through bench/run-windows: DTU_RX_FEEDER and DTU_WINE_DOSDEVICES are not set");
    return 1;
  }
  if (!start_feeder(feeder, dosdevices + "/com" + std::to_string(kCom))) {
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
