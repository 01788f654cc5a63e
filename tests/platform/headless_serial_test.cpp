// In-memory serial lines under the virtual clock, driven by a real worker thread as the
// serial port unit runs one.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/headless/headless_backend.h"

using platform::CreateParams;
using platform::Handle;
using platform::SerialDevice;
using platform::SerialError;
using platform::WidgetKind;
using platform::headless::HeadlessBackend;
using platform::headless::PeerLink;
using platform::headless::SerialPeer;

namespace {

constexpr uint32_t kByteMsg = 0x401, kEventMsg = 0x402;

// A peer that sends a banner when opened and answers every write with "OK".
class ScriptedPeer : public SerialPeer {
 public:
  std::vector<std::string> written;
  int opens = 0, closes = 0;
  std::string banner;
  uint32_t banner_at = 0, reply_after = 20;

  // The banner goes out from a wake-up, after the tool has configured the line's speed.
  void on_open(PeerLink& link) override {
    ++opens;
    if (!banner.empty()) link.wake_at(banner_at);
  }
  void on_timer(PeerLink& link) override { link.send_at(link.now(), banner); }
  void on_close() override { ++closes; }
  void on_written(PeerLink& link, const uint8_t* data, size_t size) override {
    written.emplace_back(reinterpret_cast<const char*>(data), size);
    link.send_at(link.now() + reply_after, "OK");
  }
};

// The worker: optionally writes first, then waits for line events and posts each byte.
class Worker {
 public:
  Worker(HeadlessBackend& backend, SerialDevice& device, Handle window, std::string first_write = {})
      : thread_([&backend, &device, window, first_write, this] {
          if (!first_write.empty())
            device.write(reinterpret_cast<const uint8_t*>(first_write.data()), first_write.size());
          for (;;) {
            const uint32_t bits = device.wait_event();
            if (bits == 0 && stop_) return;
            if (bits & platform::kEvRxChar) {
              const auto status = device.clear_errors();
              for (size_t i = 0; i < status.queued; ++i) {
                uint8_t byte = 0;
                if (device.read_byte(byte)) backend.post(window, kByteMsg, byte, 0);
              }
            }
            if (bits & ~platform::kEvRxChar) backend.post(window, kEventMsg, bits, 0);
          }
        }),
        device_(device) {}
  ~Worker() {
    stop_ = true;
    device_.wake();
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
  SerialDevice& device_;
};

struct Received {
  uint32_t code;
  uintptr_t value;
  uint32_t at_ms;
  bool operator==(const Received&) const = default;
};

class UiSink : public platform::WindowSink {
 public:
  explicit UiSink(HeadlessBackend& backend) : backend_(backend) {}
  std::vector<Received> got;
  void on_notify(Handle, platform::Notify) override {}
  bool on_key(Handle, platform::KeyPress) override { return false; }
  bool on_char(Handle, uint32_t) override { return true; }
  void on_timer(Handle, uint32_t) override {}
  void on_posted(Handle, uint32_t code, uintptr_t w, intptr_t) override { got.push_back({code, w, backend_.now()}); }
  std::string text() const {
    std::string out;
    for (const auto& r : got)
      if (r.code == kByteMsg) out += static_cast<char>(r.value);
    return out;
  }

 private:
  HeadlessBackend& backend_;
};

class HeadlessSerial : public ::testing::Test {
 protected:
  HeadlessSerial() {
    backend.set_sink(&sink);
    CreateParams p;
    p.kind = WidgetKind::Hidden;
    window = backend.create(p);
    backend.add_serial_peer("/dev/ttyS0", peer);
  }
  std::unique_ptr<SerialDevice> open(uint32_t baud = 9600) {
    SerialError error = SerialError::Io;
    auto device = backend.open_serial("/dev/ttyS0", error);
    EXPECT_EQ(error, SerialError::None);
    platform::LineSettings settings;
    settings.baud_rate = baud;
    if (device) device->configure(settings);
    return device;
  }

  HeadlessBackend backend;
  UiSink sink{backend};
  std::shared_ptr<ScriptedPeer> peer = std::make_shared<ScriptedPeer>();
  Handle window = 0;
};

TEST_F(HeadlessSerial, PacedBytesArriveInOrderAtTheirVirtualTimes) {
  peer->banner = "ABC";
  peer->banner_at = 100;
  auto device = open(9600);  // 10 bits a byte: 1.04 ms per character
  Worker worker(backend, *device, window);
  backend.schedule(5000, [] {});  // something far later must not pull the clock past the bytes
  backend.run_for(6000);
  EXPECT_EQ(sink.got, (std::vector<Received>{{kByteMsg, 'A', 100}, {kByteMsg, 'B', 101}, {kByteMsg, 'C', 102}}));
  EXPECT_EQ(backend.now(), 6000u);
}

TEST_F(HeadlessSerial, ClockWaitsForAWorkerThatHasNotParkedYet) {
  auto device = open(0);  // unpaced
  // The worker writes before its first wait; the reply must still come at write time + 20 ms.
  Worker worker(backend, *device, window, "%LIST\r\n");
  backend.run_for(1000);
  EXPECT_EQ(peer->written, (std::vector<std::string>{"%LIST\r\n"}));
  EXPECT_EQ(sink.got, (std::vector<Received>{{kByteMsg, 'O', 20}, {kByteMsg, 'K', 20}}));
}

TEST_F(HeadlessSerial, OverlappingPacedSendsNeverInterleave) {
  struct TwoBursts : ScriptedPeer {
    void on_open(PeerLink& link) override {
      link.send_at(10, "abcd");
      link.send_at(11, "XY");
    }
  };
  auto bursts = std::make_shared<TwoBursts>();
  backend.add_serial_peer("/dev/ttyS1", bursts);
  SerialError error;
  auto device = backend.open_serial("/dev/ttyS1", error);
  Worker worker(backend, *device, window);
  backend.run_for(100);
  EXPECT_EQ(sink.text(), "abcdXY");
}

TEST_F(HeadlessSerial, HangUpIsReportedOnceThenWritesFail) {
  struct Unplugged : ScriptedPeer {
    void on_open(PeerLink& link) override {
      link.line_event_at(5, platform::kEvCts, platform::ModemStatus{true, false, false, false},
                         platform::ErrorStatus{true, false, false, 0});
      link.hang_up_at(30);
      link.send_at(40, "late");  // after the hang-up: never arrives
    }
  };
  auto unplugged = std::make_shared<Unplugged>();
  backend.add_serial_peer("/dev/ttyUSB0", unplugged);
  SerialError error;
  auto device = backend.open_serial("/dev/ttyUSB0", error);
  {
    Worker worker(backend, *device, window);
    backend.run_for(10);
    EXPECT_TRUE(device->modem_status().cts);
    EXPECT_TRUE(device->clear_errors().overrun);
    EXPECT_FALSE(device->clear_errors().overrun);  // reading clears the flags
    backend.run_for(1000);
  }
  EXPECT_EQ(sink.got, (std::vector<Received>{{kEventMsg, platform::kEvCts, 5}, {kEventMsg, platform::kEvGone, 30}}));
  const uint8_t byte = 'x';
  EXPECT_FALSE(device->write(&byte, 1).ok);
}

TEST_F(HeadlessSerial, OpeningIsExclusiveAndClosingTellsThePeer) {
  SerialError error = SerialError::None;
  EXPECT_EQ(backend.open_serial("/dev/ttyS9", error), nullptr);
  EXPECT_EQ(error, SerialError::NotFound);
  {
    auto device = open();
    EXPECT_EQ(backend.open_serial("/dev/ttyS0", error), nullptr);
    EXPECT_EQ(error, SerialError::Busy);
  }
  EXPECT_EQ(peer->closes, 1);
  backend.set_serial_busy("/dev/ttyS0", true);
  EXPECT_EQ(backend.open_serial("/dev/ttyS0", error), nullptr);
  EXPECT_EQ(error, SerialError::Busy);
  backend.set_serial_busy("/dev/ttyS0", false);
  auto again = open();
  EXPECT_NE(again, nullptr);
  EXPECT_EQ(peer->opens, 2);
}

TEST_F(HeadlessSerial, ClosedDeviceDropsItsUndeliveredBytes) {
  peer->banner = "late";
  peer->banner_at = 500;
  {
    auto device = open();
    Worker worker(backend, *device, window);
    backend.run_for(100);
  }
  // Nothing left that could happen: the bytes went with the device.
  EXPECT_THROW(backend.wait(-1), std::logic_error);
  EXPECT_TRUE(sink.got.empty());
}

}  // namespace
