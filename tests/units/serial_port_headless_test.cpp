// The serial port unit against in-memory lines under the virtual clock.
#include <gtest/gtest.h>

#include <mutex>

#include "platform/headless/serial_peer.h"
#include "platform/process.h"
#include "tests/units/serial_port_test_support.h"

namespace units::test {
namespace {

using platform::headless::PeerLink;

class RecordingPeer final : public platform::headless::SerialPeer {
 public:
  void on_open(PeerLink& l) override { link = &l; ++opens; }
  void on_close() override { link = nullptr; }
  void on_written(PeerLink& l, const uint8_t* data, size_t size) override {
    std::lock_guard lock(mu);
    writes.emplace_back(reinterpret_cast<const char*>(data), size);
    settings_at_write = l.settings();
  }
  std::mutex mu;
  std::vector<std::string> writes;
  platform::LineSettings settings_at_write;
  PeerLink* link = nullptr;
  int opens = 0;
};

class SerialHeadlessTest : public SerialUnitTest {
 protected:
  void SetUp() override {
    SerialUnitTest::SetUp();
    ui.add_serial_peer(com3, peer);
    make(3);
  }
  const std::string com3 = platform::serial_device_path(3);
  std::shared_ptr<RecordingPeer> peer = std::make_shared<RecordingPeer>();
};

TEST_F(SerialHeadlessTest, BytesArriveOneEventEachInOrderAsUnsignedValues) {
  ASSERT_TRUE(open_port());
  ASSERT_NE(peer->link, nullptr);
  peer->link->send_at(ui.now() + 10, std::string("\x00\x41\xFF\x7F\x80", 5));
  ui.run_for(100);
  EXPECT_EQ(received(), (std::vector<int32_t>{0, 0x41, 255, 127, 128}));
  EXPECT_TRUE(line_kinds().empty());  // no event character set: kind 7 never comes
  for (const RaisedEvent& e : events(kEventDataReceived)) {
    EXPECT_EQ(e.form_id, kForm);
    EXPECT_EQ(e.unit_id, kPort);
  }
  // Paced at 19200 baud: a longer burst still arrives whole and in order.
  std::string burst;
  for (int i = 0; i < 300; ++i) burst += static_cast<char>(i);
  fake_host().reset();
  peer->link->send_at(ui.now(), burst);
  ui.run_for(1000);
  std::vector<int32_t> want;
  for (int i = 0; i < 300; ++i) want.push_back(i & 0xFF);
  EXPECT_EQ(received(), want);
}

TEST_F(SerialHeadlessTest, LineEventsAndErrorsComeInTheirFixedOrder) {
  set_text(kEventChar, "#");
  ASSERT_TRUE(open_port());
  peer->link->send_at(ui.now() + 5, "a#b", false);
  ui.run_for(50);
  EXPECT_EQ(line_kinds(), (std::vector<int32_t>{7}));
  EXPECT_EQ(received(), (std::vector<int32_t>{'a', '#', 'b'}));
  // Kind 7 is queued before the bytes of the same burst.
  ASSERT_EQ(fake_host().events.front().index, kEventLine);

  fake_host().reset();
  platform::ModemStatus status;
  status.cts = true;
  status.rlsd = true;
  platform::ErrorStatus errors;
  errors.framing = true;
  using namespace platform;
  peer->link->line_event_at(ui.now() + 5, kEvRing | kEvBreak | kEvErr | kEvCts | kEvDsr | kEvRlsd, status, errors);
  ui.run_for(50);
  // break, error, ring; CTS on, DSR off, RLSD on; then the framing error found while draining.
  EXPECT_EQ(line_kinds(), (std::vector<int32_t>{1, 4, 5, 2, 9, 6, 4}));
}

TEST_F(SerialHeadlessTest, SendWritesExactlyTheDataBytes) {
  EXPECT_FALSE(send_text("AT"));  // closed
  set(kBaudRate, 115200);
  set(kParity, 2);
  ASSERT_TRUE(open_port());
  EXPECT_TRUE(send_text("AT"));
  rt::Value one;
  one.set_int(1);
  EXPECT_TRUE(send(one));
  EXPECT_TRUE(send_text(""));  // nothing to write: success, nothing reaches the line
  rt::Value array;
  array.set_bits64(0, rt::kByte | rt::kArrayBit);
  EXPECT_FALSE(send(array));
  EXPECT_EQ(peer->writes, (std::vector<std::string>{"AT", std::string("\x01\x00\x00\x00", 4)}));
  EXPECT_EQ(peer->settings_at_write.baud_rate, 115200u);
  EXPECT_EQ(peer->settings_at_write.parity, platform::Parity::Even);

  // A changed setting waits for the next open.
  set(kBaudRate, 9600);
  EXPECT_TRUE(send_text("x"));
  EXPECT_EQ(peer->settings_at_write.baud_rate, 115200u);
  ASSERT_TRUE(open_port());
  EXPECT_TRUE(send_text("y"));
  EXPECT_EQ(peer->settings_at_write.baud_rate, 9600u);
  EXPECT_EQ(peer->opens, 2);
}

TEST_F(SerialHeadlessTest, DestroyingTheWindowInAHandlerEndsTheDispatch) {
  ASSERT_TRUE(open_port());
  fake_host().handler = [&](const rt::EventRecord& r) {
    if (r.args[0] == '2') ui.destroy(frame);
  };
  peer->link->send_at(ui.now() + 5, "12345", false);
  ui.run_for(50);
  EXPECT_EQ(received(), (std::vector<int32_t>{'1', '2'}));
  EXPECT_EQ(fake_host().destroyed, (std::vector<std::pair<uint32_t, uint32_t>>{{kForm, kPort}}));
  EXPECT_FALSE(port().is_open());
  EXPECT_EQ(SerialPortUnit::find(kForm, kPort), nullptr);
  EXPECT_THROW(open_port(), UnitMissing);  // the reference now names no live unit
}

TEST_F(SerialHeadlessTest, HangUpIsReportedOnceAndThePortRecovers) {
  ASSERT_TRUE(open_port());
  peer->link->hang_up_at(ui.now() + 10);
  ui.run_for(100);
  EXPECT_EQ(line_kinds(), (std::vector<int32_t>{4}));
  EXPECT_FALSE(send_text("AT"));  // answered, not hung
  ui.run_for(1000);
  EXPECT_EQ(line_kinds().size(), 1u);
  close_port();
  ASSERT_TRUE(open_port());
  EXPECT_TRUE(send_text("AT"));
  EXPECT_EQ(peer->writes.back(), "AT");
}

TEST_F(SerialHeadlessTest, OpenFailuresLeaveThePortClosed) {
  ui.set_serial_busy(com3, true);
  EXPECT_FALSE(open_port());
  EXPECT_FALSE(send_text("AT"));
  ui.set_serial_busy(com3, false);
  set(kPortNumber, 16);  // no device behind it
  EXPECT_FALSE(open_port());
  EXPECT_FALSE(port().is_open());
  EXPECT_FALSE(port().open(0, {}));  // below 1: refused before any device is looked at
  set(kPortNumber, 3);
  ASSERT_TRUE(open_port());
  EXPECT_FALSE(port().open(16, {}));  // a failed open closes the port it had
  EXPECT_FALSE(port().is_open());
}

TEST_F(SerialHeadlessTest, OpenOnCreateOpensWithTheSavedSettings) {
  SerialPortSettings saved;
  saved.port_number = 3;
  saved.baud_rate = 4800;
  saved.open_on_create = 1;
  const std::vector<uint8_t> block = saved.save();
  unit.reset();
  unit = SerialPortUnit::create(context(kPort, block));
  ASSERT_NE(unit, nullptr);
  EXPECT_TRUE(port().is_open());
  EXPECT_TRUE(send_text("z"));
  EXPECT_EQ(peer->settings_at_write.baud_rate, 4800u);
  EXPECT_EQ(unit->save_settings(), block);
  const uint8_t newer[] = {5, 0, 0, 0};
  EXPECT_EQ(SerialPortUnit::create(context(kPort + 1, newer)), nullptr);
}

}  // namespace
}  // namespace units::test
