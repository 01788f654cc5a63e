#include "main/cli/fleet.h"

#include <algorithm>
#include <atomic>

#include "main/cli/report.h"
#include "platform/child_processes.h"
#include "platform/console.h"
#include "platform/process.h"

namespace cli {
namespace {

std::atomic<platform::ChildProcesses*> g_children{nullptr};

void print(platform::ConsoleStream stream, const std::string& text) { platform::console_write(stream, text); }

}  // namespace

int run_fleet(const Options& options) {
  const std::vector<std::string>& ports = options.ports;
  platform::ChildProcesses children;
  g_children.store(&children);
  std::vector<int> child_of(ports.size(), -1);
  std::vector<size_t> port_of;
  const std::string program = platform::program_path();
  int status = kOk;
  for (size_t i = 0; i < ports.size(); ++i) {
    std::string error;
    if (children.start(program, child_arguments(options, ports[i]), error)) {
      child_of[i] = static_cast<int>(port_of.size());
      port_of.push_back(i);
      continue;
    }
    const Outcome failed{kFailed, "start", "cannot start a process for this port: " + error, {}};
    print(platform::ConsoleStream::Error, ports[i] + ": " + failed.message + "\n");
    if (options.json) print(platform::ConsoleStream::Out, json_line(ports[i], failed, false));
    status = kFailed;
  }
  std::vector<std::string> out(port_of.size());
  children.wait_all([&](size_t child, platform::ChildStream stream, std::string_view line) {
    if (stream == platform::ChildStream::Error)
      print(platform::ConsoleStream::Error, ports[port_of[child]] + ": " + std::string(line) + "\n");
    else
      out[child] += std::string(line) + "\n";
  });
  g_children.store(nullptr);

  for (size_t i = 0; i < ports.size(); ++i) {
    if (child_of[i] < 0) continue;
    const size_t child = static_cast<size_t>(child_of[i]);
    const int child_status = children.exit_status(child);
    status = std::max(status, child_status);
    if (!out[child].empty()) {
      const bool blocks = !options.json && options.command == Command::Read;
      print(platform::ConsoleStream::Out, (blocks ? "PORT=" + ports[i] + "\n" : std::string()) + out[child]);
    } else if (options.json) {
      // The process ended without its line (it crashed): the port still gets one.
      const Outcome failed{std::max(child_status, kFailed), "start",
                           "the process for this port ended with status " + std::to_string(child_status), {}};
      status = std::max(status, failed.status);
      print(platform::ConsoleStream::Out, json_line(ports[i], failed, false));
    }
  }
  return status;
}

void stop_fleet(bool interrupt) {
  if (platform::ChildProcesses* children = g_children.load())
    children->stop_all(interrupt ? platform::ChildStop::Interrupt : platform::ChildStop::Terminate);
}

}  // namespace cli
