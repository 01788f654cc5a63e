#include "bench/app/app_bench_support.h"

#include <algorithm>
#include <filesystem>
#include <random>

#include "app/program.h"
#include "bench/platform/bench_window.h"
#include "main/tool.h"
#include "platform/process.h"
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

platform::Backend& start_tool(const std::string& dir) {
  platform::Backend& backend = bench_window::open_backend();
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
