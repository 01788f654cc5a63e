// --help and --version are answered before any window opens; every other command line is
// left to the program (and its toolkit) untouched.
#include <gtest/gtest.h>

#include <sstream>

#include "dtu_version.h"
#include "main/command_line.h"

namespace {

std::optional<int> answer(std::initializer_list<const char*> args, std::string& out) {
  std::vector<const char*> argv{"dtu-setup"};
  argv.insert(argv.end(), args);
  argv.push_back(nullptr);
  std::ostringstream s;
  auto code = tool::answer_command_line(static_cast<int>(argv.size() - 1), argv.data(), s);
  out = s.str();
  return code;
}

TEST(CommandLine, HelpAndVersionAreAnsweredAndEverythingElseIsLeftAlone) {
  std::string out;
  for (const char* help : {"--help", "-h"}) {
    EXPECT_EQ(answer({help}, out), 0);
    EXPECT_EQ(out.rfind("Usage: dtu-setup", 0), 0u) << out;
    EXPECT_NE(out.find("~/.config/dtu-setup"), std::string::npos);
  }
  for (const char* version : {"--version", "-V"}) {
    EXPECT_EQ(answer({version}, out), 0);
    EXPECT_EQ(out, std::string("dtu-setup ") + tool::kVersion + "\n");
  }
  EXPECT_NE(std::string(tool::kVersion), "");
  for (auto args : {std::initializer_list<const char*>{}, {"-platform", "offscreen"}, {"--helpful"}, {"x", "--help"}}) {
    EXPECT_EQ(answer(args, out), std::nullopt);
    EXPECT_EQ(out, "");
  }
}

}  // namespace
