// The serial port unit on a Windows COM port through the Win32 device, against the dtu-sim
// program on a pseudo-terminal that Wine maps as COM21 (a link in the prefix's dosdevices).
// The UI side runs on the headless backend's queue; waits are real time, bounded, and never
// assert timings. Wine's COM ports on pseudo-terminals cannot wait for comm events, so the
// device waits by reading here; modem lines and break are covered by the scripted device.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/process.h"
#include "platform/win32/serial_device.h"
#include "tests/platform/win32_user.h"
#include "tests/units/serial_port_test_support.h"

namespace units::test {
namespace {

constexpr int kCom = 21;
constexpr const char* kBanner = "Press %%%%%%%%% into setting mode\r\n";

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// The simulator, started and stopped through a shell script (see wine_sim.sh).
class Simulator {
 public:
  bool configured() const { return !program_.empty() && !script_.empty() && !link_.empty() && !dir_.empty(); }
  bool start() { return run({"start", program_, link_, dir_}); }
  bool stop() { return run({"stop", dir_}); }

 private:
  static std::string env(const char* name) { return platform::environment(name).value_or(""); }

  // Runs the script and waits (at most 10 s) until it says it is done.
  bool run(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"/bin/sh", script_};
    argv.insert(argv.end(), args.begin(), args.end());
    return win32_user::run_host_program(argv, dir_ + "/done", 10000);
  }

  std::string program_ = env("DTU_SIM_PROGRAM"), script_ = env("DTU_WINE_SIM_SCRIPT"),
              link_ = env("DTU_WINE_DOSDEVICES") + "/com" + std::to_string(kCom), dir_ = env("DTU_WINE_SIM_DIR");
};

class SerialWineSimTest : public SerialUnitTest {
 protected:
  void SetUp() override {
    SerialUnitTest::SetUp();
    if (!sim.configured()) GTEST_SKIP() << "run through CTest, under Wine, with the simulator";
    ASSERT_TRUE(sim.start());
    set_device_opener(platform::win32::open_serial_device);
    make(kCom);
  }
  void TearDown() override {
    if (sim.configured()) sim.stop();
    SerialUnitTest::TearDown();
  }
  // Dispatches the UI queue until `done` holds (at most 10 s of real time).
  template <class Pred>
  bool pump_until(Pred done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      ui.process_pending();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
  std::string text_received() const {
    std::string s;
    for (int32_t b : received()) s.push_back(static_cast<char>(b));
    return s;
  }
  bool receives(const std::string& what) {
    return pump_until([&] { return text_received().find(what) != std::string::npos; });
  }
  Simulator sim;
};

TEST_F(SerialWineSimTest, TalksToTheSimulatorThroughTheComPort) {
  set_text(kEventChar, "\n");
  ASSERT_TRUE(open_port());
  ASSERT_TRUE(receives(kBanner)) << text_received();
  EXPECT_TRUE(send_text("%%%%%%%%%%\r\n"));
  ASSERT_TRUE(receives("System enter setting mode\r\n")) << text_received();
  EXPECT_TRUE(send_text("%LIST\r\n"));
  ASSERT_TRUE(receives("\r\nOK\r\n")) << text_received();
  // Line ends are the event character; those that arrive together may share one event.
  auto count = [](const auto& items, auto value) { return std::count(items.begin(), items.end(), value); };
  EXPECT_GE(count(line_kinds(), 7), 1);
  EXPECT_LE(count(line_kinds(), 7), count(text_received(), '\n'));
}

// Between exchanges the line idles longer than a read's time-out, several times over; each
// read that ends by its time-out is an idle line, not a device that has gone.
TEST_F(SerialWineSimTest, ALineIdleBeyondTheReadTimeOutStillTalks) {
  set(kTimeout, 40);
  ASSERT_TRUE(open_port());
  ASSERT_TRUE(receives(kBanner)) << text_received();
  EXPECT_TRUE(send_text("%%%%%%%%%%\r\n"));
  ASSERT_TRUE(receives("System enter setting mode\r\n")) << text_received();
  const auto idle = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - idle < std::chrono::milliseconds(600)) {
    ui.process_pending();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(line_kinds().empty());  // no line error: nothing went
  EXPECT_TRUE(send_text("%LIST\r\n"));
  EXPECT_TRUE(receives("\r\nOK\r\n")) << text_received();
}

TEST_F(SerialWineSimTest, TheOpenIsExclusiveAndAMissingPortIsNotFound) {
  ASSERT_TRUE(open_port());
  platform::SerialError error = platform::SerialError::None;
  EXPECT_EQ(platform::win32::open_serial_device(platform::serial_device_path(kCom), error), nullptr);
  EXPECT_EQ(error, platform::SerialError::Busy);
  close_port();
  auto again = platform::win32::open_serial_device(platform::serial_device_path(kCom), error);
  EXPECT_NE(again, nullptr);
  EXPECT_FALSE(open_port());  // now the port is the one held by another opener
  again.reset();
  EXPECT_TRUE(open_port());
  EXPECT_EQ(platform::win32::open_serial_device(platform::serial_device_path(98), error), nullptr);
  EXPECT_EQ(error, platform::SerialError::NotFound);
}

// A pseudo-terminal keeps speed and stop bits but always has 8 data bits and no parity.
TEST_F(SerialWineSimTest, LineSettingsReachTheDevice) {
  set(kBaudRate, 4800);
  set(kStopBits, 3);
  ASSERT_TRUE(open_port());
  close_port();
  // The terminal keeps its settings after the close: read them back through Windows.
  HANDLE h = CreateFileW(wide(platform::serial_device_path(kCom)).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  EXPECT_TRUE(GetCommState(h, &dcb));
  CloseHandle(h);
  EXPECT_EQ(dcb.BaudRate, 4800u);
  EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
  set(kDataBits, 9);  // no such character size
  EXPECT_FALSE(open_port());
  EXPECT_FALSE(port().is_open());
}

TEST_F(SerialWineSimTest, AVanishedSimulatorIsReportedOnceWithoutSpinningAndThePortRecovers) {
  ASSERT_TRUE(open_port());
  ASSERT_TRUE(receives(kBanner)) << text_received();
  ASSERT_TRUE(sim.stop());
  ASSERT_TRUE(pump_until([&] { return !line_kinds().empty(); }));

  // Give a spinning worker the chance to show: the process's processor time must stay far
  // below the real time that passes.
  const double cpu0 = win32_user::process_cpu_seconds();
  const auto wall0 = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - wall0 < std::chrono::milliseconds(500)) {
    ui.process_pending();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
  EXPECT_LT(win32_user::process_cpu_seconds() - cpu0, 0.3 * wall);
  EXPECT_EQ(line_kinds(), (std::vector<int32_t>{4}));

  EXPECT_FALSE(send_text("AT"));  // answered at once, not hung
  close_port();
  fake_host().events.clear();
  ASSERT_TRUE(sim.start());
  ASSERT_TRUE(open_port());
  ASSERT_TRUE(receives(kBanner)) << text_received();
  EXPECT_TRUE(send_text("%%%%%%%%%%\r\n"));
  EXPECT_TRUE(receives("System enter setting mode\r\n")) << text_received();
}

}  // namespace
}  // namespace units::test
