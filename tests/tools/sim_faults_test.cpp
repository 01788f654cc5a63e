#include <gtest/gtest.h>

#include "tests/tools/sim_test_util.h"

namespace dtusim {
namespace {

using testing::enter_setting_mode;
using testing::joined;
using testing::reply_lines;

Model with_faults(std::initializer_list<const char*> fault_texts) {
  Config config;
  for (const char* text : fault_texts) EXPECT_EQ(add_fault(config.faults, text), "") << text;
  Model model(config);
  enter_setting_mode(model);
  return model;
}

std::string list(Model& model) { return joined(model.receive(100000, "%LIST\r\n")); }

TEST(SimFaults, NoAnswerSilencesRepliesButCommandsStillTakeEffect) {
  Model all = with_faults({"no-answer"});
  EXPECT_TRUE(all.receive(50000, "%PT=80\r\n%LIST\r\n").empty());
  EXPECT_EQ(all.settings().get(Key::PT), "80");

  Model one = with_faults({"no-answer=%list"});
  EXPECT_TRUE(one.receive(50000, "%LIST\r\n").empty());
  EXPECT_EQ(joined(one.receive(50100, "%PT=80\r\n")), "OK\r\n");
}

TEST(SimFaults, LateSplitAndSlowResetShiftTheReplies) {
  Model late = with_faults({"late=4500"});
  auto chunks = late.receive(50000, "%ID=1\r\n");
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_GE(chunks[0].at_ms, 54500u);

  Model split = with_faults({"split"});
  chunks = split.receive(50000, "%LIST\r\n");
  ASSERT_EQ(chunks.size(), 2u);
  uint64_t first_end = chunks[0].at_ms + split.transmit_ms(chunks[0].bytes.size());
  EXPECT_GT(chunks[1].at_ms - chunks[0].at_ms, 500u) << "the second half starts a new burst";
  EXPECT_GE(chunks[1].at_ms, first_end + 600);
  EXPECT_EQ(reply_lines(joined(chunks)).size(), 15u) << "nothing lost in the split";

  Model slow = with_faults({"slow-reset"});
  chunks = slow.receive(50000, "%RST\r\n%ID=2\r\n");
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[0].at_ms, 50000u + 19000u);
  EXPECT_EQ(chunks[0].bytes, "OK\r\n");
  EXPECT_GE(chunks[1].at_ms, chunks[0].at_ms) << "a busy device answers in order";
}

// A DTU whose memory keeps one setting's old value: the set command is acknowledged as any
// other, and only a listing shows that nothing changed.
TEST(SimFaults, StaleKeepsTheOldValueBehindAnOk) {
  Model stale = with_faults({"stale=ss1"});
  EXPECT_EQ(joined(stale.receive(50000, "%SS1=13900000003\r\n")), "OK\r\n");
  EXPECT_EQ(joined(stale.receive(51000, "%SS2=13900000004\r\n")), "OK\r\n");
  EXPECT_EQ(stale.settings().get(Key::SS1), "");
  EXPECT_EQ(stale.settings().get(Key::SS2), "13900000004");
  EXPECT_NE(list(stale).find("\r\nSS1= -----\r\n"), std::string::npos);

  Config config;
  EXPECT_NE(add_fault(config.faults, "stale=XX"), "");
  EXPECT_EQ(add_fault(config.faults, "stale"), "");
  EXPECT_EQ(config.faults.stale, Key::SS2);
}

// What a production bench's simulator takes for a finished unit: written, then listed
// after the last set command, within one boot.
TEST(SimFaults, AWriteFollowedByAListingIsAFinishedUnit) {
  Model model;
  enter_setting_mode(model);
  list(model);
  EXPECT_FALSE(model.written_and_checked()) << "a read alone finishes nothing";
  model.receive(60000, "%ID=DTU-1\r\n");
  EXPECT_FALSE(model.written_and_checked()) << "written but not checked";
  list(model);
  EXPECT_TRUE(model.written_and_checked());
  model.receive(200000, "%PT=80\r\n");
  EXPECT_FALSE(model.written_and_checked()) << "a write after the check";
  list(model);
  model.boot(300000);
  EXPECT_FALSE(model.written_and_checked()) << "a boot starts afresh";

  model.replace_unit(Settings::factory());
  EXPECT_EQ(model.settings(), Settings::factory());
}

TEST(SimFaults, ListingFaultsShapeTheListing) {
  Model short_list = with_faults({"short-list=4"});
  auto lines = reply_lines(list(short_list));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[4], "DN= -----");
  EXPECT_EQ(lines[5], "OK");

  Model blank = with_faults({"blank-line=3"});
  lines = reply_lines(list(blank));
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[3], "PT= -----");
  EXPECT_EQ(lines[4], "");
  EXPECT_EQ(lines[5], "DN= -----");

  Model sep = with_faults({"separator=ap", "port-zeros"});
  sep.receive(50000, "%AP=cmnet\r\n%PT=8080\r\n");
  lines = reply_lines(list(sep));
  EXPECT_EQ(lines[5], "AP= cmnet= x");
  EXPECT_EQ(lines[3], "PT= 08080");

  Model nul = with_faults({"nul=2"});
  std::string text = list(nul);
  size_t zero = text.find('\0');
  ASSERT_NE(zero, std::string::npos);
  EXPECT_EQ(text.substr(zero + 1, 4), "IP= ");
  EXPECT_EQ(text.substr(text.size() - 4), "OK\r\n");
}

TEST(SimFaults, GarbagePrecedesEveryOutputAndCannotFakeAReply) {
  Config config;
  ASSERT_EQ(add_fault(config.faults, "garbage=20"), "");
  Model model(config);
  auto boot = model.boot(0);
  EXPECT_EQ(boot[0].bytes.find("\r\n"), 20u);
  for (size_t i = 0; i < 20; ++i) EXPECT_GE(static_cast<unsigned char>(boot[0].bytes[i]), 0x80u);
  auto reply = joined(model.receive(boot.back().at_ms + 1000, "%%%%%%%%%%\r\n"));
  EXPECT_EQ(reply.size(), 20 + std::string("\r\nSystem enter setting mode\r\n").size());
  EXPECT_NE(reply.find("System enter setting mode"), std::string::npos);
}

TEST(SimFaults, BadFaultAndDelaySpecsAreRefused) {
  Faults f;
  for (const char* bad : {"bogus", "late=abc", "late=-5", "split=", "short-list=14", "blank-line=0",
                          "nul=15", "separator=XX", "no-answer=FOO", "port-zeros=1", "garbage=99999"}) {
    EXPECT_NE(add_fault(f, bad), "") << bad;
  }
  EXPECT_EQ(add_fault(f, "SHORT_LIST=0"), "");
  EXPECT_EQ(f.short_listing, 0u);

  Config c;
  EXPECT_EQ(add_command_delay(c, "list=100"), "");
  EXPECT_EQ(add_command_delay(c, "%DN==5000"), "");
  EXPECT_EQ(add_command_delay(c, "ENTER=0"), "");
  EXPECT_EQ(c.command_delay_ms.at("LIST"), 100u);
  EXPECT_EQ(c.command_delay_ms.at("DN"), 5000u);
  EXPECT_EQ(c.command_delay_ms.at("ENTER"), 0u);
  for (const char* bad : {"LIST", "LIST=", "FOO=1", "=5", "RST=1e3"}) EXPECT_NE(add_command_delay(c, bad), "") << bad;
}

}  // namespace
}  // namespace dtusim
