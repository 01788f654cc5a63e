// The COM ports Windows lists: every number (USB adapters often get COM16 and above), in
// order, with the device behind each, found in the registry's serial-port map without
// opening any port.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/serial_ports.h"
#include "tests/platform/serial_port_map.h"

namespace serial_ports_test {

TEST(Win32SerialPorts, TheSerialPortMapGivesEveryComNumberInOrder) {
  platform_test::SerialPortMap map;
  if (!map.writable()) GTEST_SKIP() << "the serial-port map may not be written here";
  ASSERT_TRUE(map.add(L"\\Device\\DtuTestVCP23", L"COM23"));
  ASSERT_TRUE(map.add(L"\\Device\\DtuTestSerial104", L"com104"));  // some drivers write it so
  ASSERT_TRUE(map.add(L"\\Device\\DtuTestUsbSer7", L"COM7"));
  ASSERT_TRUE(map.add(L"\\Device\\DtuTestPrinter", L"LPT1"));  // not a COM port
  ASSERT_TRUE(map.add(L"\\Device\\DtuTestBroken", L"COM"));

  const auto listed = platform::listed_serial_ports();
  ASSERT_TRUE(listed.has_value()) << "Windows keeps a list";
  std::vector<std::string> ours;
  for (const platform::ListedPort& port : *listed) {
    if (port.device.rfind("\\Device\\DtuTest", 0) == 0) ours.push_back(port.name + " " + port.device);
    EXPECT_EQ(port.name, "COM" + std::to_string(port.number));
  }
  EXPECT_EQ(ours, (std::vector<std::string>{"COM7 \\Device\\DtuTestUsbSer7", "COM23 \\Device\\DtuTestVCP23",
                                            "COM104 \\Device\\DtuTestSerial104"}));
  EXPECT_TRUE(std::is_sorted(listed->begin(), listed->end(),
                             [](const auto& a, const auto& b) { return a.number < b.number; }));
}

}  // namespace serial_ports_test
