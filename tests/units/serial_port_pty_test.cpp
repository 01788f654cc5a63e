// The serial port unit on real pseudo-terminals through termios. The UI side runs on the
// headless backend's queue; waits are real time here, bounded, and never assert timings.
#include <gtest/gtest.h>

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

#include "platform/posix/serial_device.h"
#include "platform/posix/serial_pty.h"
#include "tests/units/serial_port_test_support.h"

namespace units::test {
namespace {

using platform::posix::PseudoTerminal;

class SerialPtyTest : public SerialUnitTest {
 protected:
  void SetUp() override {
    SerialUnitTest::SetUp();
    ASSERT_TRUE(pty.valid());
    set_device_opener(platform::posix::open_serial_device);
    setenv("DTU_SETUP_COM2", pty.slave_path().c_str(), 1);
    make(2);
  }
  // Dispatches the UI queue until `done` holds (at most 5 s of real time).
  template <class Pred>
  bool pump_until(Pred done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      ui.process_pending();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  PseudoTerminal pty;
};

TEST_F(SerialPtyTest, ReceivesAndSendsThroughTheTty) {
  set_text(kEventChar, "\r");
  ASSERT_TRUE(open_port());
  // The worker empties the line when it starts; a first send proves it has.
  EXPECT_TRUE(send_text("AT"));
  EXPECT_EQ(pty.read(2, 5000), "AT");
  ASSERT_TRUE(pty.write(std::string("OK\r\n\xFF\x00", 6)));
  ASSERT_TRUE(pump_until([&] { return received().size() == 6; }));
  EXPECT_EQ(received(), (std::vector<int32_t>{'O', 'K', '\r', '\n', 255, 0}));
  EXPECT_EQ(line_kinds(), (std::vector<int32_t>{7}));

  EXPECT_TRUE(send_text("%LIST\r\n"));
  EXPECT_EQ(pty.read(7, 5000), "%LIST\r\n");
  const uint8_t block[] = {1, 0, 0, 0, 2, 0, 0, 0, 0x00, 0xFF};
  rt::Value binary;
  binary.set_binary(block);
  EXPECT_TRUE(send(binary));
  EXPECT_EQ(pty.read(2, 5000), std::string("\x00\xFF", 2));

  close_port();
  EXPECT_FALSE(send_text("x"));
  ASSERT_TRUE(open_port());  // the tty can be opened again after a close
  EXPECT_TRUE(send_text("y"));
  EXPECT_EQ(pty.read(1, 5000), "y");
}

TEST_F(SerialPtyTest, TheOpenIsExclusive) {
  ASSERT_TRUE(open_port());
  platform::SerialError error = platform::SerialError::None;
  EXPECT_EQ(platform::posix::open_serial_device(pty.slave_path(), error), nullptr);
  EXPECT_EQ(error, platform::SerialError::Busy);
  close_port();
  auto again = platform::posix::open_serial_device(pty.slave_path(), error);
  EXPECT_NE(again, nullptr);
  EXPECT_FALSE(open_port());  // now the port is the one held by another opener
  again.reset();
  EXPECT_TRUE(open_port());
}

TEST_F(SerialPtyTest, LineSettingsTheTtyCannotTakeFailTheOpen) {
  set(kBaudRate, 250000);  // no standard speed: set exactly
  set(kParity, 3);
  set(kStopBits, 3);
  set(kFlowControl, 5);
  EXPECT_TRUE(open_port());
  set(kDataBits, 9);
  EXPECT_FALSE(open_port());
  EXPECT_FALSE(port().is_open());
  set(kDataBits, 8);
  set(kBaudRate, 0);
  EXPECT_FALSE(open_port());
  platform::SerialError error = platform::SerialError::None;
  EXPECT_EQ(platform::posix::open_serial_device("/dev/null", error), nullptr);
  EXPECT_EQ(error, platform::SerialError::Unsupported);
  EXPECT_EQ(platform::posix::open_serial_device("/dev/ttyCOM99", error), nullptr);
  EXPECT_EQ(error, platform::SerialError::NotFound);
}

TEST_F(SerialPtyTest, UnplugIsReportedOnceWithoutSpinningAndThePortRecovers) {
  ASSERT_TRUE(open_port());
  pty.close();
  ASSERT_TRUE(pump_until([&] { return !line_kinds().empty(); }));

  // Give a spinning worker the chance to show: the process's CPU time must stay far below
  // the real time that passes.
  const std::clock_t cpu0 = std::clock();
  const auto wall0 = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - wall0 < std::chrono::milliseconds(300)) {
    ui.process_pending();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const double cpu_s = double(std::clock() - cpu0) / CLOCKS_PER_SEC;
  const double wall_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
  EXPECT_LT(cpu_s, 0.3 * wall_s);
  EXPECT_EQ(line_kinds(), (std::vector<int32_t>{4}));

  EXPECT_FALSE(send_text("AT"));  // answered at once, not hung
  close_port();
  PseudoTerminal replacement;
  ASSERT_TRUE(replacement.valid());
  setenv("DTU_SETUP_COM2", replacement.slave_path().c_str(), 1);
  ASSERT_TRUE(open_port());
  EXPECT_TRUE(send_text("AT"));
  EXPECT_EQ(replacement.read(2, 5000), "AT");
}

// A device that goes away between opening and configuring is reported as gone, not as one
// that refused the settings.
TEST_F(SerialPtyTest, UnplugDuringConfigurationIsGone) {
  platform::SerialError error = platform::SerialError::None;
  auto device = platform::posix::open_serial_device(pty.slave_path(), error);
  ASSERT_NE(device, nullptr);
  pty.close();
  EXPECT_EQ(device->configure(platform::LineSettings{}), platform::SerialError::Gone);
}

// Signals landing in the worker's wait neither end it nor cost the device.
TEST_F(SerialPtyTest, SignalsDuringTheWaitAreSurvived) {
  struct sigaction quiet {}, old {};
  quiet.sa_handler = [](int) {};  // no SA_RESTART: the wait sees EINTR
  sigaction(SIGUSR2, &quiet, &old);
  platform::SerialError error = platform::SerialError::None;
  auto device = platform::posix::open_serial_device(pty.slave_path(), error);
  ASSERT_NE(device, nullptr);
  ASSERT_EQ(device->configure(platform::LineSettings{}), platform::SerialError::None);
  std::atomic<uint32_t> events{0};
  std::atomic<bool> returned{false};
  std::thread waiter([&] {
    events = device->wait_event();
    returned = true;
  });
  for (int i = 0; i < 20; ++i) {
    pthread_kill(waiter.native_handle(), SIGUSR2);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_FALSE(returned.load());  // nothing arrived, so still waiting
  ASSERT_TRUE(pty.write("x"));
  waiter.join();
  EXPECT_EQ(events.load(), platform::kEvRxChar);
  uint8_t byte = 0;
  EXPECT_TRUE(device->read_byte(byte));
  EXPECT_EQ(byte, 'x');
  sigaction(SIGUSR2, &old, nullptr);
}

}  // namespace
}  // namespace units::test
