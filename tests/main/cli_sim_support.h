// The console program against dtu-sim programs on pseudo-terminals: simulated DTUs in a
// scratch folder, and runs of the built dtu-setup-cli with their output and status. Real
// time throughout; nothing depends on exact timings.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/child_processes.h"
#include "tools/dtu-sim/pty_client.h"

namespace cli_test {

// A DTU with thirteen distinct values (HT and OT differ, every phone number differs).
extern const char* const kDistinctState;

struct CliRun {
  int status = -1;
  std::string out;
  std::vector<std::string> err;  // lines
  std::string err_text() const;
  bool err_has(std::string_view text) const { return err_text().find(text) != std::string::npos; }
};

class SimDtus {
 public:
  SimDtus();   // a fresh scratch folder
  ~SimDtus();  // stops the DTUs, removes the folder

  // Starts a simulated DTU that boots 100 ms after its port is opened; `state` is its
  // settings file's first content ("" = factory settings). The path the CLI opens.
  std::string start(const std::string& name, const std::vector<std::string>& extra_args = {},
                    const std::string& state = "");
  std::string state(const std::string& name) const;  // its settings file as it stands
  std::string log(const std::string& name) const;    // what it received and sent
  std::string file(const std::string& name) const { return dir_ + "/" + name; }

 private:
  std::string dir_;
  std::map<std::string, std::unique_ptr<dtusim::SimProcess>> sims_;
};

// Runs dtu-setup-cli with `args` to its end. `on_error_line` sees each progress line as it
// comes and may stop the program through `children` (child 0).
CliRun run_cli(const std::vector<std::string>& args,
               const std::function<void(std::string_view line, platform::ChildProcesses& children)>& on_error_line = {});

}  // namespace cli_test
