#include <gtest/gtest.h>

#include "tests/tools/sim_test_util.h"

namespace dtusim {
namespace {

using testing::enter_setting_mode;
using testing::joined;
using testing::reply_lines;

constexpr const char* kBanner = "Press %%%%%%%%% into setting mode";

TEST(SimBoot, BannerComesInABurstOfItsOwnAfterTheBootText) {
  Model model;
  auto chunks = model.boot(1000);
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[0].at_ms, 1000u);
  EXPECT_EQ(chunks[0].bytes.find(kBanner), std::string::npos);
  EXPECT_NE(chunks[1].bytes.find(kBanner), std::string::npos);
  EXPECT_EQ(chunks[1].bytes.find("Press %%%%%%%%%%"), std::string::npos) << "nine percent signs";
  // The tool closes a burst 500 ms after its first byte: the banner must start a new one.
  EXPECT_GT(chunks[1].at_ms, chunks[0].at_ms + model.transmit_ms(chunks[0].bytes.size()) + 500);
  EXPECT_EQ(model.mode(chunks[1].at_ms - 1), Mode::Booting);
  EXPECT_TRUE(model.receive(chunks[1].at_ms - 1, "%%%%%%%%%%\r\n").empty()) << "too early";
  EXPECT_EQ(model.mode(chunks[1].at_ms), Mode::Window);
}

TEST(SimBoot, OnlyTheTenPercentRequestInsideTheWindowEntersSettingMode) {
  Model model;
  auto boot = model.boot(0);
  uint64_t t = boot.back().at_ms + model.transmit_ms(boot.back().bytes.size());
  EXPECT_EQ(model.mode(t), Mode::Window);
  EXPECT_TRUE(model.receive(t + 100, "%LIST\r\n").empty());
  EXPECT_TRUE(model.receive(t + 200, "%%%%%%%%%\r\n").empty());  // nine
  auto reply = model.receive(t + 300, "%%%%%%%%%%\r\n");
  ASSERT_EQ(reply.size(), 1u);
  EXPECT_NE(reply[0].bytes.find("System enter setting mode"), std::string::npos);
  EXPECT_GE(reply[0].at_ms, t + 300);
  EXPECT_EQ(model.mode(t + 100000), Mode::Setting) << "setting mode does not time out";
}

TEST(SimBoot, MissedWindowIgnoresEverythingUntilTheNextBoot) {
  Config config;
  config.boot_window_ms = 500;
  Model model(config);
  auto boot = model.boot(0);
  uint64_t late = boot.back().at_ms + model.transmit_ms(boot.back().bytes.size()) + 501;
  EXPECT_EQ(model.mode(late), Mode::Data);
  EXPECT_TRUE(model.receive(late, "%%%%%%%%%%\r\n").empty());
  EXPECT_TRUE(model.receive(late + 10, "%ID=1\r\n%LIST\r\n%RST\r\n").empty());
  EXPECT_EQ(model.settings(), Settings::factory());

  boot = model.boot(late + 1000);
  uint64_t open = boot.back().at_ms + model.transmit_ms(boot.back().bytes.size()) + 100;
  EXPECT_FALSE(model.receive(open, "%%%%%%%%%%\r\n").empty());
  model.power_off();
  EXPECT_TRUE(model.receive(open + 100, "%LIST\r\n").empty()) << "off after close";
}

// A streaming server's data flows in data mode only, line after line, back to back on the
// line; the request that came too late changes nothing.
TEST(SimBoot, StreamFlowsInDataModeOnlyBackToBack) {
  Config config;
  config.boot_window_ms = 0;
  config.stream = true;
  Model model(config);
  auto boot = model.boot(0);
  const uint64_t banner_end = boot.back().at_ms + model.transmit_ms(boot.back().bytes.size());
  EXPECT_TRUE(model.stream_data(banner_end - 1).empty()) << "not before data mode";
  EXPECT_TRUE(model.receive(banner_end + 5, "%%%%%%%%%%\r\n").empty());
  auto first = model.stream_data(banner_end + 10);
  auto second = model.stream_data(banner_end + 10);
  ASSERT_EQ(first.size(), 1u);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(first[0].bytes.substr(0, 14), "DATA 00000001 ");
  EXPECT_EQ(first[0].bytes.substr(first[0].bytes.size() - 2), "\r\n");
  EXPECT_EQ(second[0].at_ms, first[0].at_ms + model.transmit_ms(first[0].bytes.size()));
  EXPECT_NE(second[0].bytes, first[0].bytes);

  config.stream = false;
  Model quiet(config);
  quiet.boot(0);
  EXPECT_TRUE(quiet.stream_data(banner_end + 10).empty());
  config.boot_window_ms = 3000;
  config.stream = true;
  Model setting(config);
  setting.boot(0);
  ASSERT_FALSE(setting.receive(banner_end, "%%%%%%%%%%\r\n").empty());
  EXPECT_TRUE(setting.stream_data(banner_end + 10000).empty()) << "setting mode forwards nothing";
}

TEST(SimProtocol, ListingIsOneBurstOfFifteenLinesInListingOrder) {
  Model model;
  uint64_t t = enter_setting_mode(model);
  model.receive(t + 1000, "%PT=8080\r\n%OT=200\r\n%HT=60\r\n");
  auto reply = model.receive(t + 5000, "%LIST\r\n");
  ASSERT_EQ(reply.size(), 1u);
  const std::string& text = reply[0].bytes;
  auto lines = reply_lines(text);
  ASSERT_EQ(lines.size(), 15u);
  EXPECT_EQ(text.substr(text.size() - 4), "OK\r\n");
  const std::vector<std::string> expected = {
      "ID= -----", "IP= -----", "PT= 8080", "DN= -----", "AP= -----", "TM= TCP", "UB= 1200",
      "OT= 200",   "HT= 60",    "RV1= -----", "RV2= -----", "SS1= -----", "SS2= -----"};
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(lines[i + 1], expected[i]) << "line " << i + 1;
  EXPECT_EQ(lines[0].find("= "), std::string::npos);
}

TEST(SimProtocol, SetStoresUnsetClearsAndRawBytesSurvive) {
  Model model;
  uint64_t t = enter_setting_mode(model);
  const std::string gbk_name = "\xd6\xd0\xce\xc4";  // two GBK characters
  EXPECT_EQ(joined(model.receive(t + 100, "%DN=" + gbk_name + ".example\r\n")), "OK\r\n");
  EXPECT_EQ(model.settings().get(Key::DN), gbk_name + ".example");
  // Bare LF ends a command too, and a command may arrive a byte at a time.
  for (char c : std::string("%IP=10.0.0.1\n")) model.receive(t + 200, std::string(1, c));
  EXPECT_EQ(model.settings().get(Key::IP), "10.0.0.1");
  EXPECT_EQ(joined(model.receive(t + 300, "%PT=08080\r\n")), "OK\r\n");
  EXPECT_EQ(model.settings().get(Key::PT), "8080") << "a port is kept as a number";

  uint64_t before = model.revision();
  EXPECT_EQ(joined(model.receive(t + 400, "%DN=\r\n%TM=\r\n%IP=-----\r\n")), "OK\r\nOK\r\nOK\r\n");
  EXPECT_GT(model.revision(), before);
  EXPECT_EQ(model.settings().get(Key::DN), "");
  EXPECT_EQ(model.settings().get(Key::TM), "");
  EXPECT_EQ(model.settings().get(Key::IP), "");
  auto lines = reply_lines(joined(model.receive(t + 500, "%LIST\r\n")));
  EXPECT_EQ(lines[4], "DN= -----");
  EXPECT_EQ(lines[6], "TM= -----");
}

TEST(SimProtocol, RefusedValuesAnswerErrorAndChangeNothing) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"%PT=1", true},       {"%PT=65535", true},     {"%PT=0", false},         {"%PT=65536", false},
      {"%PT=80a", false},    {"%PT= 80", false},      {"%PT=99999999999999999999", false},
      {"%IP=255.255.255.255", true}, {"%IP=1.2.3", false}, {"%IP=1.2.3.256", false},
      {"%IP=1.2.3.4.5", false},      {"%IP=1..3.4", false}, {"%IP=a.b.c.d", false},
      {"%UB=115200", true},  {"%UB=300", true},       {"%UB=3000", false},      {"%UB=9600 ", false},
      {"%TM=UDP", true},     {"%TM=udp", false},      {"%TM=TCPX", false},
      {"%HT=0", true},       {"%HT=5000", true},      {"%HT=5001", false},      {"%HT=-1", false},
      {"%OT=50", true},      {"%OT=1000", true},      {"%OT=49", false},        {"%OT=1001", false},
      {"%ID=123456789012345", true}, {"%ID=1234567890123456", false},
      {"%ID=" + std::string(8, '\xd6') + std::string(8, '\xd0'), false},  // 16 bytes
      {"%SS1=1391234567890", true},  {"%SS2=13912345678901", false}, {"%RV1=139-1234", false},
      {"%RV2=+8613912345", false},
  };
  for (const auto& [command, accepted] : cases) {
    Model model;
    uint64_t t = enter_setting_mode(model);
    std::string reply = joined(model.receive(t + 100, command + "\r\n"));
    EXPECT_EQ(reply, accepted ? "OK\r\n" : "ERROR\r\n") << command;
    if (!accepted) {
      EXPECT_EQ(model.settings(), Settings::factory()) << command;
      EXPECT_EQ(model.revision(), 0u) << command;
    }
  }
}

TEST(SimProtocol, ResetRestoresFactoryAndUnknownCommandsAnswerError) {
  Model model;
  uint64_t t = enter_setting_mode(model);
  model.receive(t + 100, "%ID=dtu7\r\n%TM=UDP\r\n%UB=9600\r\n%HT=5\r\n%SS2=123\r\n");
  ASSERT_NE(model.settings(), Settings::factory());
  EXPECT_EQ(joined(model.receive(t + 200, "%RST\r\n")), "OK\r\n");
  EXPECT_EQ(model.settings(), Settings::factory());
  EXPECT_EQ(model.settings().get(Key::TM), "TCP");
  EXPECT_EQ(model.settings().get(Key::UB), "1200");
  EXPECT_EQ(model.settings().get(Key::HT), "120");
  EXPECT_EQ(model.settings().get(Key::OT), "120");

  for (const std::string& bad : std::vector<std::string>{"%list", "%LIST ", "%ID", "%XX=1", "hello", "", "%RST=1",
                          "%" + std::string(5000, 'A')}) {
    EXPECT_EQ(joined(model.receive(t + 300, bad + "\r\n")), "ERROR\r\n") << bad.substr(0, 20);
  }
  EXPECT_LT(model.lines().back().size(), 100u) << "an overlong line is not kept whole";
}

TEST(SimTiming, RepliesAreDelayedAndNeverOverlapOnTheLine) {
  Config config;
  config.baud = 1200;
  config.reply_delay_ms = 40;
  ASSERT_EQ(add_command_delay(config, "%ID=3000"), "");
  Model model(config);
  uint64_t t = enter_setting_mode(model);
  auto chunks = model.receive(t + 1000, "%ID=1\r\n%LIST\r\n%PT=80\r\n");
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0].at_ms, t + 1000 + 3000);
  for (size_t i = 1; i < chunks.size(); ++i) {
    EXPECT_GE(chunks[i].at_ms, chunks[i - 1].at_ms + model.transmit_ms(chunks[i - 1].bytes.size()));
  }
  EXPECT_EQ(model.transmit_ms(120), 1000u) << "1200 baud: 120 bytes a second";
  EXPECT_EQ(model.lines().size(), 4u);
  EXPECT_EQ(model.lines()[1], "%ID=1");
}

}  // namespace
}  // namespace dtusim
