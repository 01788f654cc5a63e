#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tools/dtu-sim/state_file.h"

namespace dtusim {
namespace {

namespace fs = std::filesystem;

Settings sample() {
  Settings s = Settings::factory();
  s.put(Key::ID, "dtu 01");
  s.put(Key::DN, "a=b.\xd6\xd0\xce\xc4.cn\r");  // '=' , GBK and a stray CR inside a value
  s.put(Key::PT, "8080");
  s.put(Key::TM, "");
  return s;
}

TEST(SimState, FormatAndParseRoundTrip) {
  std::string text = format_state(sample());
  EXPECT_EQ(text.substr(0, 10), "ID=dtu 01\n");
  EXPECT_NE(text.find("\nTM=\n"), std::string::npos);
  std::vector<std::string> problems;
  EXPECT_EQ(parse_state(text, problems), sample());
  EXPECT_TRUE(problems.empty());
}

TEST(SimState, DamagedLinesAreSkippedAndMissingKeysKeepFactoryValues) {
  std::vector<std::string> problems;
  Settings s = parse_state("garbage\nPT=99999\nXX=1\n\nUB=9600\n=\nHT=7", problems);
  Settings expected = Settings::factory();
  expected.put(Key::UB, "9600");
  expected.put(Key::HT, "7");
  EXPECT_EQ(s, expected);
  EXPECT_EQ(problems.size(), 4u);
}

TEST(SimState, SaveReplacesTheFileAndLoadTellsAMissingFile) {
  fs::path dir = fs::temp_directory_path() / ("dtu-sim-state-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::string path = (dir / "dtu.state").string();

  LoadedState missing = load_state(path);
  EXPECT_FALSE(missing.found);
  EXPECT_EQ(missing.settings, Settings::factory());

  { std::ofstream(path) << "old contents that are much longer than the new ones\n"; }
  EXPECT_EQ(save_state(path, sample()), "");
  LoadedState loaded = load_state(path);
  EXPECT_TRUE(loaded.found);
  EXPECT_EQ(loaded.settings, sample());
  EXPECT_TRUE(loaded.problems.empty());
  EXPECT_FALSE(fs::exists(path + ".tmp"));

  EXPECT_NE(save_state((dir / "no-such-dir" / "x").string(), sample()), "");
  LoadedState from_dir = load_state(dir.string());  // a directory is no state file
  EXPECT_EQ(from_dir.settings, Settings::factory());
  fs::remove_all(dir);
}

}  // namespace
}  // namespace dtusim
