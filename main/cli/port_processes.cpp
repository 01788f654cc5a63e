#include "main/cli/port_processes.h"

#include <atomic>

#include "platform/process.h"

namespace cli {
namespace {

std::atomic<platform::ChildProcesses*> g_children{nullptr};

}  // namespace

std::vector<int> run_port_processes(const std::vector<std::string>& ports, const PortProcesses& how) {
  platform::ChildProcesses children;
  g_children.store(&children);
  std::vector<int> status(ports.size(), -1);
  std::vector<size_t> port_of;  // by child
  const std::string program = platform::program_path();
  for (size_t i = 0; i < ports.size(); ++i) {
    std::string error;
    if (children.start(program, how.arguments(ports[i]), error))
      port_of.push_back(i);
    else
      how.not_started(i, error);
  }
  children.wait_all([&](size_t child, platform::ChildStream stream, std::string_view line) {
    how.line(port_of[child], stream, line);
  });
  g_children.store(nullptr);
  for (size_t child = 0; child < port_of.size(); ++child) status[port_of[child]] = children.exit_status(child);
  return status;
}

void stop_port_processes(bool interrupt) {
  if (platform::ChildProcesses* children = g_children.load())
    children->stop_all(interrupt ? platform::ChildStop::Interrupt : platform::ChildStop::Terminate);
}

}  // namespace cli
