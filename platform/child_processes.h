// Programs run side by side, each with its standard output and standard error read line by
// line: the console program handles several DTUs at once this way, one process per port
// (the application has one set of globals).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class ChildStream { Out, Error };
enum class ChildStop { Interrupt, Terminate };  // as Ctrl-C, or as the system ending it

class ChildProcesses {
 public:
  ChildProcesses();
  ~ChildProcesses();  // children still running are ended and waited for
  ChildProcesses(const ChildProcesses&) = delete;
  ChildProcesses& operator=(const ChildProcesses&) = delete;

  // Starts `program` with `args` (standard input empty) as child number size()-1; false
  // with the reason when it cannot be started. Children do not get the terminal's Ctrl-C
  // themselves: the parent decides what to pass on (stop()).
  bool start(const std::string& program, const std::vector<std::string>& args, std::string& error);
  size_t size() const;

  // Reads every child's output until all have ended, calling `on_line` on this thread for
  // each line (without its line break; a last line without one is passed too).
  void wait_all(const std::function<void(size_t child, ChildStream stream, std::string_view line)>& on_line);
  // After wait_all: 0-255, or 128 + the signal that ended it.
  int exit_status(size_t child) const;

  // Any thread: asks one child (or all) that is still running to stop.
  void stop(size_t child, ChildStop how);
  void stop_all(ChildStop how);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace platform
