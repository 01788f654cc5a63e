#include "tests/main/cli_sim_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "tests/platform/scratch_dir.h"

namespace cli_test {

namespace fs = std::filesystem;

const char* const kDistinctState =
    "ID=DTU42\nIP=10.0.0.7\nPT=9000\nDN=dtu.example.org\nAP=cmnet\nTM=UDP\nUB=19200\nOT=300\nHT=60\n"
    "RV1=13900000001\nRV2=13900000002\nSS1=13900000003\nSS2=13900000004\n";

std::string CliRun::err_text() const {
  std::string all;
  for (const auto& line : err) all += line + "\n";
  return all;
}

SimDtus::SimDtus() {
  std::random_device rd;
  dir_ = (fs::temp_directory_path() / ("dtu-cli-test-" + std::to_string(rd()) + std::to_string(rd()))).string();
  fs::create_directories(dir_);
}

SimDtus::~SimDtus() {
  sims_.clear();
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

std::string SimDtus::start(const std::string& name, const std::vector<std::string>& extra_args, const std::string& state) {
  if (!state.empty()) std::ofstream(file(name + ".state")) << state;
  std::vector<std::string> args = {"--boot-delay", "100", "--state", file(name + ".state"), "--link", file(name)};
  args.insert(args.end(), extra_args.begin(), extra_args.end());
  std::string error;
  auto sim = dtusim::SimProcess::start(DTU_SIM_PROGRAM, args, file(name + ".log"), error);
  EXPECT_TRUE(sim) << error;
  if (!sim) return file(name);
  EXPECT_FALSE(sim->read_line(10'000).empty()) << "the simulator did not start: " << log(name);
  sims_[name] = std::move(sim);
  return file(name);
}

std::string SimDtus::state(const std::string& name) const { return platform_test::read_text(file(name + ".state")); }
std::string SimDtus::log(const std::string& name) const { return platform_test::read_text(file(name + ".log")); }

CliRun run_cli(const std::vector<std::string>& args,
               const std::function<void(std::string_view, platform::ChildProcesses&)>& on_error_line) {
  CliRun run;
  platform::ChildProcesses children;
  std::string error;
  EXPECT_TRUE(children.start(DTU_SETUP_CLI_PROGRAM, args, error)) << error;
  if (children.size() == 0) return run;
  children.wait_all([&](size_t, platform::ChildStream stream, std::string_view line) {
    if (stream == platform::ChildStream::Out) {
      run.out += std::string(line) + "\n";
      return;
    }
    run.err.emplace_back(line);
    if (on_error_line) on_error_line(line, children);
  });
  run.status = children.exit_status(0);
  return run;
}

}  // namespace cli_test
