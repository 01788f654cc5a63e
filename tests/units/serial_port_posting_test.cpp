// The serial engine on a device that posts its own notifications (the browser's ports): no
// worker; the UI thread reads the device when the message arrives and writes it itself.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <thread>

#include "platform/backend.h"
#include "tests/units/serial_port_test_support.h"

namespace units::test {
namespace {

// Gathers bytes and events as the page does and posts one notification until read.
class PostingDevice final : public platform::SerialDevice {
 public:
  // ---- the test's side: what the port reports
  void arrive(const std::string& bytes, uint32_t events = platform::kEvRxChar) {
    rx.insert(rx.end(), bytes.begin(), bytes.end());
    report(events);
  }
  void report(uint32_t events) {
    pending |= events;
    if (!notified && window != 0) {
      notified = true;
      platform::backend().post(window, message);
    }
  }

  // ---- the device
  bool posts_events(platform::Handle w, uint32_t m) override {
    window = w;
    message = m;
    return true;
  }
  platform::SerialError configure(const platform::LineSettings&) override { return platform::SerialError::None; }
  void purge() override {
    rx.clear();
    ++purges;
  }
  uint32_t wait_event() override {
    ++polls;
    notified = false;
    const uint32_t e = pending | (rx.empty() ? 0 : platform::kEvRxChar);
    pending = 0;
    return e;
  }
  void wake() override { ++wakes; }
  platform::ErrorStatus clear_errors() override {
    platform::ErrorStatus s;
    s.framing = framing;
    framing = false;
    s.queued = rx.size();
    return s;
  }
  bool read_byte(uint8_t& b) override {
    if (rx.empty()) return false;
    b = static_cast<uint8_t>(rx.front());
    rx.pop_front();
    return true;
  }
  platform::ModemStatus modem_status() override { return {}; }
  platform::WriteResult write(const uint8_t* data, size_t size) override {
    writes.emplace_back(reinterpret_cast<const char*>(data), size);
    writer = std::this_thread::get_id();
    return {write_ok, write_ok ? size : 0};
  }

  platform::Handle window = 0;
  uint32_t message = 0, pending = 0;
  bool notified = false, framing = false, write_ok = true;
  std::deque<char> rx;
  std::vector<std::string> writes;
  std::thread::id writer;
  int purges = 0, polls = 0, wakes = 0;
};

class PostingEngineTest : public SerialUnitTest {
 protected:
  void SetUp() override {
    SerialUnitTest::SetUp();
    set_device_opener([this](const std::string&, platform::SerialError& error) {
      auto d = std::make_unique<PostingDevice>();
      device = d.get();
      ++opened;
      error = platform::SerialError::None;
      return d;
    });
    make(3);
    ASSERT_TRUE(open_port());
  }
  PostingDevice* device = nullptr;
  int opened = 0;
};

TEST_F(PostingEngineTest, BytesArriveInOrderOnTheUiThreadAndWritesAreMadeThere) {
  EXPECT_TRUE(port().is_open());
  EXPECT_EQ(device->window, port().window());
  device->arrive("OK");
  device->arrive("\r\n");  // one notification stands for both
  EXPECT_EQ(device->polls, 0);  // nothing is read before the UI thread dispatches
  ui.process_pending();
  EXPECT_EQ(received(), (std::vector<int32_t>{'O', 'K', '\r', '\n'}));
  EXPECT_GE(device->polls, 1);

  device->arrive("stale");
  EXPECT_TRUE(send_text("%LIST\r\n"));
  EXPECT_EQ(device->writes, (std::vector<std::string>{"%LIST\r\n"}));
  EXPECT_EQ(device->writer, std::this_thread::get_id());
  EXPECT_TRUE(device->rx.empty());  // a write empties the input first, as the worker's does
  device->write_ok = false;
  EXPECT_FALSE(send_text("%RST\r\n"));
  EXPECT_TRUE(send_text(""));  // nothing to write: nothing written
  EXPECT_EQ(device->writes.size(), 2u);
}

TEST_F(PostingEngineTest, GoneIsOneLineErrorAndLaterWritesFail) {
  device->report(platform::kEvGone);
  ui.process_pending();
  device->report(platform::kEvGone);  // reported again: still once
  ui.process_pending();
  EXPECT_EQ(line_kinds(), (std::vector<int32_t>{4}));
  EXPECT_FALSE(send_text("%LIST\r\n"));
  EXPECT_TRUE(device->writes.empty());

  // Reopening starts afresh: a new device that may go away again.
  ASSERT_TRUE(open_port());
  EXPECT_EQ(opened, 2);
  EXPECT_TRUE(send_text("AT"));
  device->report(platform::kEvGone);
  ui.process_pending();
  EXPECT_EQ(line_kinds(), (std::vector<int32_t>{4, 4}));
}

TEST_F(PostingEngineTest, LineErrorsAndBreakComeBeforeTheBytesReadAfterThem) {
  device->framing = true;
  device->arrive("x", platform::kEvRxChar | platform::kEvBreak);
  ui.process_pending();
  EXPECT_EQ(line_kinds(), (std::vector<int32_t>{1, 4}));
  ASSERT_EQ(fake_host().events.size(), 3u);
  EXPECT_EQ(fake_host().events.back().index, kEventDataReceived);
}

TEST_F(PostingEngineTest, AHandlerThatPumpsGetsLaterBytesAfterTheEarlierOnes) {
  device->arrive("ab");
  bool pumped = false;
  fake_host().handler = [&](const rt::EventRecord& r) {
    if (r.args[0] != 'a' || pumped) return;
    pumped = true;
    device->arrive("cd");
    ui.process_pending();
  };
  ui.process_pending();
  EXPECT_EQ(received(), (std::vector<int32_t>{'a', 'b', 'c', 'd'}));
}

TEST_F(PostingEngineTest, ClosingInAHandlerStopsReadingAndAStaleMessageReadsNothing) {
  device->arrive("12");
  fake_host().handler = [&](const rt::EventRecord& r) {
    if (r.args[0] == '1') close_port();
  };
  ui.process_pending();
  EXPECT_EQ(received(), (std::vector<int32_t>{'1', '2'}));  // already taken: delivered
  EXPECT_FALSE(port().is_open());
  EXPECT_FALSE(send_text("x"));
  // The device is gone with the close; a message it had posted finds nothing to read.
  platform::backend().post(port().window(), kNotifyMessage);
  ui.process_pending();
  EXPECT_EQ(received().size(), 2u);
}

TEST_F(PostingEngineTest, AStreamLongerThanTheQueueIsDeliveredWhole) {
  std::string burst(70000, 'z');
  burst.back() = '!';
  device->arrive(burst);
  ui.process_pending();
  const std::vector<int32_t> got = received();
  ASSERT_EQ(got.size(), burst.size());
  EXPECT_EQ(got.back(), '!');
}

}  // namespace
}  // namespace units::test
