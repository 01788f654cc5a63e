#include "bench/app/app_bench_support.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "app/program.h"
#include "platform/process.h"
#include "main/tool.h"
#include "runtime/program.h"
#include "runtime/runtime_app.h"

namespace bench_app {
namespace {

std::string g_dir;
std::string program_path() { return g_dir + "/dtu-setup"; }
bool set_directory(const std::string& dir) { return platform::set_current_directory(dir); }

}  // namespace

std::string temp_dir(const std::string& name) {
  std::random_device rd;
  auto dir = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(rd()));
  std::filesystem::create_directories(dir);
  return dir.string();
}

std::unique_ptr<dtusim::SimProcess> start_simulator(const std::vector<std::string>& args) {
  std::string error;
  auto sim = dtusim::SimProcess::start(DTU_SIM_PROGRAM, args, "/dev/null", error);
  if (!sim) return nullptr;
  std::string pty = sim->read_line(10000);
  if (pty.empty()) return nullptr;
  setenv("DTU_SETUP_COM2", pty.c_str(), 1);
  return sim;
}

std::unique_ptr<platform::qt::QtBackend> start_tool(const std::string& dir) {
  static int argc = 1;
  static char name[] = "dtu-setup";
  static char* argv[] = {name, nullptr};
  auto backend = std::make_unique<platform::qt::QtBackend>(argc, argv);
  platform::set_backend(backend.get());
  g_dir = dir;
  rt::set_process_services({program_path, set_directory});
  tool::register_layers();
  rt::set_startup_record(&tool::startup_record());
  app::start_program();
  return backend;
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace bench_app
