// The serial engine's hand-over between the UI thread and the worker, step by step against
// a scripted device.
#include <gtest/gtest.h>

#include "platform/process.h"
#include "runtime/library/failure_reason.h"
#include "units/open_failure_text.h"
#include "tests/units/scripted_device.h"
#include "tests/units/serial_port_test_support.h"

namespace units::test {
namespace {

class SerialEngineTest : public SerialUnitTest {
 protected:
  void SetUp() override {
    SerialUnitTest::SetUp();
    set_device_opener([this](const std::string& path, platform::SerialError& error) {
      auto d = std::make_unique<ScriptedDevice>();
      device = d.get();
      opened_path = path;
      error = platform::SerialError::None;
      return d;
    });
    make(12);
    ASSERT_TRUE(open_port());
    ASSERT_TRUE(device->wait_parked());
  }
  ScriptedDevice* device = nullptr;
  std::string opened_path;
};

// An open the device refuses leaves the port closed and goes to the port's owner: the reason
// the window shows names the port and the refusal. Nothing is printed on the way.
class SerialRefusalTest : public SerialUnitTest {};

TEST_F(SerialRefusalTest, RefusedLineSettingsGoToTheOwnerAndAreNotPrinted) {
  set_device_opener([](const std::string&, platform::SerialError& error) {
    auto d = std::make_unique<ScriptedDevice>();
    d->refuse_settings(platform::SerialError::Unsupported);
    error = platform::SerialError::None;
    return d;
  });
  make(12);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(open_port());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(port().is_open());
  EXPECT_EQ(port().open_failure().step, OpenFailure::Step::LineSettings);
  EXPECT_EQ(port().open_failure().error, platform::SerialError::Unsupported);
  EXPECT_EQ(rt::failure_reason(), open_failure_text(port().open_failure()));
  EXPECT_EQ(rt::failure_reason().rfind("COM12", 0), 0u);
}

TEST_F(SerialEngineTest, UsesTheDevicePathOfThePortNumber) { EXPECT_EQ(opened_path, platform::serial_device_path(12)); }

TEST_F(SerialEngineTest, WriteDiscardsInputTheWorkerHadNotRead) {
  device->put_bytes("old");
  const int purges = device->purges();
  EXPECT_TRUE(send_text("AT"));
  EXPECT_EQ(device->purges(), purges + 1);
  EXPECT_EQ(device->unread(), 0u);
  device->put_bytes("new");
  device->raise(platform::kEvRxChar);
  ASSERT_TRUE(device->wait_parked());
  ui.process_pending();
  EXPECT_EQ(received(), (std::vector<int32_t>{'n', 'e', 'w'}));

  // An empty send neither writes nor purges.
  device->put_bytes("kept");
  EXPECT_TRUE(send_text(""));
  EXPECT_EQ(device->purges(), purges + 1);
  EXPECT_EQ(device->unread(), 4u);
  EXPECT_EQ(device->writes(), (std::vector<std::string>{"AT"}));
}

TEST_F(SerialEngineTest, ShortOrFailedWritesReportFailure) {
  device->set_write_result({true, 1}, false);  // cut short by the write time-out
  EXPECT_FALSE(send_text("AT"));
  device->set_write_result({false, 0}, false);
  EXPECT_FALSE(send_text("AT"));
  device->set_write_result({true, 0}, true);
  EXPECT_TRUE(send_text("AT"));
}

TEST_F(SerialEngineTest, ReopeningDropsNotificationsOfTheEarlierOpening) {
  device->put_bytes("stale");
  device->raise(platform::kEvRxChar);
  ASSERT_TRUE(device->wait_parked());  // queued and posted, not yet dispatched
  ASSERT_TRUE(open_port());
  ASSERT_TRUE(device->wait_parked());
  ui.process_pending();
  EXPECT_TRUE(received().empty());
}

TEST_F(SerialEngineTest, AHandlerMayCloseThePortAndStillGetsTheCopiedEntries) {
  device->put_bytes("12345");
  device->raise(platform::kEvRxChar);
  ASSERT_TRUE(device->wait_parked());  // all five queued before the dispatch takes them
  fake_host().handler = [&](const rt::EventRecord& r) {
    if (r.args[0] == '1') close_port();
  };
  ui.process_pending();
  EXPECT_EQ(received(), (std::vector<int32_t>{'1', '2', '3', '4', '5'}));
  EXPECT_FALSE(send_text("x"));
  EXPECT_FALSE(port().is_open());
  close_port();  // twice is harmless
}

TEST_F(SerialEngineTest, NestedDispatchKeepsArrivalOrder) {
  // A handler that pumps messages (as the delay command does) while entries are pending.
  device->put_bytes("ab");
  device->raise(platform::kEvRxChar);
  ASSERT_TRUE(device->wait_parked());
  bool pumped = false;
  fake_host().handler = [&](const rt::EventRecord& r) {
    if (r.args[0] != 'a' || pumped) return;
    pumped = true;
    device->put_bytes("cd");
    device->raise(platform::kEvRxChar);
    ASSERT_TRUE(device->wait_parked());
    ui.process_pending();
  };
  ui.process_pending();
  EXPECT_EQ(received(), (std::vector<int32_t>{'a', 'b', 'c', 'd'}));
}

// Entries already taken from the queue reach a handler that pumps messages inside its
// pump, though no new byte arrives: the delay command sees the rest of the burst.
TEST_F(SerialEngineTest, AHandlerThatPumpsGetsTheRestOfTheBatchInItsPump) {
  device->put_bytes("abc");
  device->raise(platform::kEvRxChar);
  ASSERT_TRUE(device->wait_parked());
  std::vector<int32_t> seen_in_pump;
  fake_host().handler = [&](const rt::EventRecord& r) {
    if (r.args[0] != 'a') return;
    ui.process_pending();
    seen_in_pump = received();
  };
  ui.process_pending();
  EXPECT_EQ(seen_in_pump, (std::vector<int32_t>{'a', 'b', 'c'}));
  EXPECT_EQ(received(), (std::vector<int32_t>{'a', 'b', 'c'}));

  // The message that woke the pump is spent: later bytes still get one.
  fake_host().handler = nullptr;
  device->put_bytes("d");
  device->raise(platform::kEvRxChar);
  ASSERT_TRUE(device->wait_parked());
  ui.process_pending();
  EXPECT_EQ(received().back(), 'd');
}

}  // namespace
}  // namespace units::test
