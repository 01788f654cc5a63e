// Several ports at once: a child process of this program per port (the tool has one set of
// globals, so one process holds one DTU), their lines passed on as they come.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/child_processes.h"

namespace cli {

struct PortProcesses {
  // This program's command line for the process of one port.
  std::function<std::vector<std::string>(const std::string& port)> arguments;
  // A port whose process could not be started, and why.
  std::function<void(size_t port, const std::string& error)> not_started;
  // A line a port's process wrote, as it comes.
  std::function<void(size_t port, platform::ChildStream stream, std::string_view line)> line;
};

// Runs a process per port until all have ended; the exit status of each (-1: not started).
std::vector<int> run_port_processes(const std::vector<std::string>& ports, const PortProcesses& how);

// Any thread: passes a stop request on to every port's process still running, as an
// interrupt (Ctrl-C) or as the system's request to end.
void stop_port_processes(bool interrupt);

}  // namespace cli
