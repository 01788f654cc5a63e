// The simulated DTU as an in-memory serial peer: first against a scripted line to pin down
// its timing, then against the headless backend with a real worker thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "platform/headless/headless_backend.h"
#include "tests/tools/sim_test_util.h"
#include "tools/dtu-sim/headless_peer.h"

namespace dtusim {
namespace {

using platform::headless::PeerLink;

// A line that records what the peer does and fires its wake-ups when told to advance.
class ScriptLine : public PeerLink {
 public:
  uint32_t t = 0;
  std::vector<uint32_t> wakes;
  std::vector<Chunk> sends;
  platform::LineSettings line;

  uint32_t now() const override { return t; }
  void send_at(uint32_t at, const std::string& bytes, bool) override { sends.push_back({at, bytes}); }
  void line_event_at(uint32_t, uint32_t, platform::ModemStatus, platform::ErrorStatus) override {}
  void wake_at(uint32_t at) override { wakes.push_back(at); }
  void hang_up_at(uint32_t) override {}
  platform::LineSettings settings() const override { return line; }

  void advance(HeadlessPeer& peer, uint32_t to) {
    while (true) {
      auto next = std::min_element(wakes.begin(), wakes.end());
      if (next == wakes.end() || *next > to) break;
      t = std::max(t, *next);
      wakes.erase(next);
      peer.on_timer(*this);
    }
    t = to;
  }
  void write(HeadlessPeer& peer, const std::string& bytes) {
    peer.on_written(*this, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  std::string text() const { return testing::joined(sends); }
};

TEST(SimHeadlessPeer, BootsAfterTheOpenDelayAndAgainOnEveryReopen) {
  HeadlessPeer peer;
  ScriptLine line;
  peer.on_open(line);
  line.advance(peer, 999);
  EXPECT_TRUE(line.sends.empty());
  line.advance(peer, 3000);
  EXPECT_EQ(peer.boots(), 1);
  ASSERT_EQ(line.sends.size(), 2u);
  EXPECT_EQ(line.sends[0].at_ms, 1000u);
  EXPECT_NE(line.sends[1].bytes.find("Press %%%%%%%%% into setting mode"), std::string::npos);

  line.write(peer, "%%%%%%%%%%\r\n");
  line.advance(peer, 3100);
  EXPECT_NE(line.text().find("System enter setting mode"), std::string::npos);
  EXPECT_EQ(peer.mode(), Mode::Setting);

  // A reply still waiting when the port closes never reaches the next opener.
  peer.configure([](Config& c) { c.reply_delay_ms = 500; });
  line.write(peer, "%LIST\r\n");
  peer.on_close();
  EXPECT_FALSE(peer.is_open());
  size_t before = line.sends.size();
  ScriptLine reopened;
  reopened.t = 3200;
  peer.on_open(reopened);
  line.advance(peer, 10000);  // wakes of the old opening are ignored
  EXPECT_EQ(line.sends.size(), before);
  reopened.advance(peer, 4199);
  EXPECT_TRUE(reopened.sends.empty());
  reopened.advance(peer, 4200);
  EXPECT_EQ(peer.boots(), 2);
  EXPECT_EQ(reopened.text().find("Current settings"), std::string::npos);
  EXPECT_EQ(peer.commands(), (std::vector<std::string>{"%%%%%%%%%%", "%LIST"}));
}

TEST(SimHeadlessPeer, BootNowRestartsAndDropsQueuedReplies) {
  HeadlessPeer peer;
  peer.set_boot_on_open(false);
  ScriptLine line;
  peer.boot_now();  // closed: nothing to do
  peer.on_open(line);
  line.advance(peer, 5000);
  EXPECT_EQ(peer.boots(), 0);

  peer.boot_now();
  line.advance(peer, 5000);
  ASSERT_EQ(peer.boots(), 1);
  line.advance(peer, 7000);
  line.write(peer, "%%%%%%%%%%\r\n");
  line.advance(peer, 7500);
  ASSERT_EQ(peer.mode(), Mode::Setting);
  ASSERT_EQ(peer.add_fault("slow-reset=19000"), "");
  line.write(peer, "%RST\r\n");
  peer.boot_now();  // power cycle while the reset is still running
  line.advance(peer, 40000);
  EXPECT_EQ(line.text().find("OK"), std::string::npos);
  EXPECT_EQ(peer.boots(), 2);
}

TEST(SimHeadlessPeer, FollowsTheToolsRateUnlessFixedToOne) {
  ScriptLine line;
  line.line.baud_rate = 1200;
  HeadlessPeer follower;
  follower.on_open(line);
  line.advance(follower, 1000);
  EXPECT_EQ(follower.config().baud, 1200u);
  EXPECT_EQ(follower.line().baud_rate, 1200u) << "the line as the tool set it";

  // Fixed at 9600: a tool at 19200 reads noise instead of the banner, and its request is
  // noise to the DTU ...
  Config fixed;
  fixed.baud = 9600;
  fixed.fixed_baud = true;
  HeadlessPeer strict(fixed);
  ScriptLine wrong;
  wrong.line.baud_rate = 19200;
  strict.on_open(wrong);
  wrong.advance(strict, 3000);
  ASSERT_EQ(wrong.sends.size(), 2u);
  EXPECT_EQ(wrong.text().find("Press"), std::string::npos);
  wrong.write(strict, "%%%%%%%%%%\r\n");
  wrong.advance(strict, 4000);
  EXPECT_EQ(strict.mode(), Mode::Window) << "the request is noise at the wrong rate";
  EXPECT_EQ(strict.sent().size(), 2u) << "what the DTU meant to send is still recorded";
  EXPECT_EQ(strict.config().baud, 9600u);

  // ... while a tool at its rate is answered as usual.
  strict.on_close();
  ScriptLine right;
  right.t = 5000;
  right.line.baud_rate = 9600;
  strict.on_open(right);
  right.advance(strict, 8000);
  EXPECT_NE(right.text().find("Press %%%%%%%%% into setting mode"), std::string::npos);
  right.write(strict, "%%%%%%%%%%\r\n");
  right.advance(strict, 9000);
  EXPECT_EQ(strict.mode(), Mode::Setting);
  EXPECT_NE(right.text().find("System enter setting mode"), std::string::npos);
}

// ---- against the headless backend

constexpr uint32_t kByteMsg = 0x401;

class ByteSink : public platform::WindowSink {
 public:
  std::string text;
  void on_notify(platform::Handle, platform::Notify) override {}
  bool on_key(platform::Handle, platform::KeyPress) override { return false; }
  bool on_char(platform::Handle, uint32_t) override { return true; }
  void on_timer(platform::Handle, uint32_t) override {}
  void on_posted(platform::Handle, uint32_t code, uintptr_t w, intptr_t) override {
    if (code == kByteMsg) text += static_cast<char>(w);
  }
};

TEST(SimHeadlessBackend, HandshakeListSetAndResetInVirtualTime) {
  platform::headless::HeadlessBackend backend;
  ByteSink sink;
  backend.set_sink(&sink);
  platform::CreateParams params;
  params.kind = platform::WidgetKind::Hidden;
  platform::Handle window = backend.create(params);
  auto peer = std::make_shared<HeadlessPeer>();
  ASSERT_EQ(peer->add_fault("slow-reset"), "");
  backend.add_serial_peer("COM2", peer);

  platform::SerialError error{};
  auto device = backend.open_serial("COM2", error);
  ASSERT_TRUE(device);
  platform::LineSettings settings;
  settings.baud_rate = 9600;
  device->configure(settings);
  std::atomic<bool> stop{false};
  std::thread worker([&] {
    while (true) {
      uint32_t bits = device->wait_event();
      if (bits == 0 && stop) return;
      auto status = device->clear_errors();
      for (size_t i = 0; i < status.queued; ++i) {
        uint8_t byte = 0;
        if (device->read_byte(byte)) backend.post(window, kByteMsg, byte, 0);
      }
    }
  });
  auto send = [&](const std::string& command) {
    sink.text.clear();
    std::string bytes = command + "\r\n";
    device->write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  };

  backend.run_for(2500);
  EXPECT_NE(sink.text.find("Press %%%%%%%%% into setting mode"), std::string::npos);
  send("%%%%%%%%%%");
  backend.run_for(500);
  EXPECT_NE(sink.text.find("System enter setting mode"), std::string::npos);
  send("%UB=9600");
  backend.run_for(500);
  EXPECT_EQ(sink.text, "OK\r\n");
  send("%LIST");
  backend.run_for(500);
  EXPECT_NE(sink.text.find("\r\nUB= 9600\r\n"), std::string::npos);
  send("%RST");
  backend.run_for(18000);
  EXPECT_EQ(sink.text, "") << "the reset takes 19 s";
  backend.run_for(2000);
  EXPECT_EQ(sink.text, "OK\r\n");
  EXPECT_EQ(peer->settings(), Settings::factory());

  stop = true;
  device->wake();
  worker.join();
  device.reset();
  EXPECT_FALSE(peer->is_open());
}

}  // namespace
}  // namespace dtusim
