#include "main/cli/fleet.h"

#include <algorithm>

#include "main/cli/console_io.h"
#include "main/cli/port_processes.h"
#include "main/cli/report.h"

namespace cli {

int run_fleet(const Options& options) {
  const std::vector<std::string>& ports = options.ports;
  int status = kOk;
  std::vector<std::string> results(ports.size());
  PortProcesses how;
  how.arguments = [&](const std::string& port) { return child_arguments(options, port); };
  how.not_started = [&](size_t i, const std::string& error) {
    const Outcome failed{kFailed, "start", "cannot start a process for this port: " + error, {}};
    err(ports[i] + ": " + failed.message);
    if (options.json) out(json_line(ports[i], failed, false));
    status = kFailed;
  };
  how.line = [&](size_t i, platform::ChildStream stream, std::string_view line) {
    if (stream == platform::ChildStream::Error)
      err(ports[i] + ": " + std::string(line));
    else
      results[i] += std::string(line) + "\n";
  };
  const std::vector<int> statuses = run_port_processes(ports, how);

  for (size_t i = 0; i < ports.size(); ++i) {
    if (statuses[i] < 0) continue;
    status = std::max(status, statuses[i]);
    if (!results[i].empty()) {
      const bool blocks = !options.json && options.command == Command::Read;
      out((blocks ? "PORT=" + ports[i] + "\n" : std::string()) + results[i]);
    } else if (options.json) {
      // The process ended without its line (it crashed): the port still gets one.
      const Outcome failed{std::max(statuses[i], kFailed), "start",
                           "the process for this port ended with status " + std::to_string(statuses[i]), {}};
      status = std::max(status, failed.status);
      out(json_line(ports[i], failed, false));
    }
  }
  return status;
}

}  // namespace cli
