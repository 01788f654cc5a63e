// A COM port that does not exist, on Windows: the traffic monitor's reason names the ports
// the PC has instead (a USB adapter's number is often above the window's COM15), from the
// ports Windows lists, the missing port itself left out.
#include <gtest/gtest.h>

#include "platform/gbk_codec.h"
#include "tests/platform/serial_port_map.h"
#include "units/open_failure_text.h"

namespace open_failure_test {

std::string reason_for_missing(int port) {
  units::OpenFailure f;
  f.step = units::OpenFailure::Step::Device;
  f.error = platform::SerialError::NotFound;
  f.port_number = port;
  f.path = "\\\\.\\COM" + std::to_string(port);
  return platform::gbk_to_utf8_lossy(units::open_failure_text(f));
}

TEST(OpenFailureOnWindows, AMissingPortNamesThePortsThePcHas) {
  platform_test::SerialPortMap map;
  if (!map.writable()) GTEST_SKIP() << "the serial-port map may not be written here";
  ASSERT_TRUE(map.add(L"\\Device\\DtuTestVCP23", L"COM23"));
  ASSERT_TRUE(map.add(L"\\Device\\DtuTestSerial4", L"COM4"));
  ASSERT_TRUE(map.add(L"\\Device\\DtuTestStale3", L"COM3"));  // listed, yet its open said it is not there

  const std::string reason = reason_for_missing(3);
  const std::string head = "COM3 不存在；本机有 ";
  ASSERT_EQ(reason.substr(0, head.size()), head) << reason;
  const std::string others = ", " + reason.substr(head.size()) + ",";
  const size_t com4 = others.find(", COM4,"), com23 = others.find(", COM23,");
  EXPECT_NE(com4, std::string::npos) << reason;
  EXPECT_NE(com23, std::string::npos) << reason;
  EXPECT_LT(com4, com23) << "in order of number";
  EXPECT_EQ(others.find(", COM3,"), std::string::npos) << "the missing port is not offered";
}

}  // namespace open_failure_test
