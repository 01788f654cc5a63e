#include "main/cli/tool_run.h"

#include <atomic>
#include <memory>
#include <optional>

#include "app/program.h"
#include "main/tool.h"
#include "platform/backend.h"
#include "platform/files.h"
#include "platform/process.h"
#include "runtime/program.h"
#include "runtime/runtime_app.h"

namespace cli {
namespace {

using platform::headless::HeadlessBackend;

// The program's entry routine takes no arguments: what it runs is found here.
const ToolRun* g_run = nullptr;
std::optional<ToolDriver> g_tool;
std::optional<DtuDriver> g_dtu;
std::atomic<HeadlessBackend*> g_backend{nullptr};
std::string g_program_path;

std::string program_path() { return g_program_path; }

int entry() {
  app::start_program();
  g_run->work(*g_tool, *g_dtu);
  return 0;
}

}  // namespace

void run_tool(const ToolRun& run) {
  std::unique_ptr<HeadlessBackend> own;
  HeadlessBackend* backend = run.backend;
  if (!backend) {
    own = std::make_unique<HeadlessBackend>(0, HeadlessBackend::Clock::Real, run.devices);
    backend = own.get();
  }
  platform::set_backend(backend);
  g_run = &run;
  g_tool.emplace(*backend);
  g_dtu.emplace(*g_tool);
  g_tool->watch([&run](const std::string& gbk) { if (run.on_status) run.on_status(gbk); },
                [&run](const std::string& gbk) { if (run.on_message) run.on_message(gbk); });
  // The work folder is the program's folder for the tool: its settings file lives there.
  g_program_path = run.folder + "/dtu-setup-cli";
  rt::set_process_services({&program_path, &platform::set_current_directory});
  tool::register_layers();
  g_backend.store(backend);
  rt::run_program(tool::startup_record(), &entry);
  g_backend.store(nullptr);
  g_dtu.reset();
  g_tool.reset();
  g_run = nullptr;
}

bool post_to_tool(std::function<void()> task) {
  HeadlessBackend* backend = g_backend.load();
  if (!backend) return false;
  backend->schedule(backend->now(), std::move(task));
  return true;
}

}  // namespace cli
