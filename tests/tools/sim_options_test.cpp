#include <gtest/gtest.h>

#include "tools/dtu-sim/options.h"

namespace dtusim {
namespace {

TEST(SimOptions, BothSpellingsAndRepeatedOptionsAreTaken) {
  Options o;
  ASSERT_EQ(parse_options({"--baud", "1200", "--fault=late=700", "--fault", "split", "--delay", "dn=5000",
                           "--delay=%RST=100", "--boot-window=800", "--boot-delay", "0", "--link", "/tmp/x",
                           "--state=/tmp/s", "--reply-delay", "0", "-q", "--stream"},
                          o),
            "");
  EXPECT_EQ(o.config.baud, 1200u);
  EXPECT_EQ(o.config.faults.late_ms, 700u);
  EXPECT_EQ(o.config.faults.split_gap_ms, 600u);
  EXPECT_EQ(o.config.command_delay_ms.at("DN"), 5000u);
  EXPECT_EQ(o.config.command_delay_ms.at("RST"), 100u);
  EXPECT_EQ(o.config.boot_window_ms, 800u);
  EXPECT_EQ(o.boot_delay_ms, 0u);
  EXPECT_EQ(o.link_path, "/tmp/x");
  EXPECT_EQ(o.state_path, "/tmp/s");
  EXPECT_EQ(o.config.reply_delay_ms, 0u);
  EXPECT_TRUE(o.quiet);
  EXPECT_TRUE(o.config.stream);
  EXPECT_FALSE(o.help);
}

TEST(SimOptions, BadArgumentsAreNamed) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--baud", "0"}, {"--baud", "fast"}, {"--reply-delay"}, {"--frobnicate", "1"},
        {"--boot-window", "-1"}, {"--delay", "LIST"}, {"--fault", "late=soon"}, {"stray"}}) {
    Options o;
    std::string err = parse_options(args, o);
    EXPECT_NE(err, "") << args[0];
    EXPECT_NE(err.find(args[0]), std::string::npos) << err;
  }
  Options o;
  EXPECT_EQ(parse_options({"--help"}, o), "");
  EXPECT_TRUE(o.help);
  EXPECT_NE(help_text("dtu-sim").find("slow-reset"), std::string::npos);
}

}  // namespace
}  // namespace dtusim
