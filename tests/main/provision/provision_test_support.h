// Production runs from the outside: the built dtu-setup-cli and dtu-sim programs as real
// processes, the simulators in a bench's swap mode, the journal read back through the
// journal's own API and the simulators' state files read as the DTUs' memory. Real time
// throughout; every wait is for a condition with a deadline.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "main/journal/journal.h"
#include "tests/platform/scratch_dir.h"
#include "tools/dtu-sim/pty_client.h"

namespace provision_test {

// A program running with its standard output and error going to files.
class Process {
 public:
  Process(const std::string& program, const std::vector<std::string>& args, const std::string& out,
          const std::string& err);
  ~Process();  // kills it (and its children) if it still runs
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool running();
  // Waits for the end; the exit status (128 + signal when a signal ended it), or -1 when it
  // did not end in time.
  int wait(std::chrono::seconds within);
  void signal(int sig);
  // SIGKILL to it and every process it started, at once: a bench that lost its power.
  void kill_with_children();
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

// The simulated DTUs of a test: each on its pseudo-terminal, fast (115200 baud, no reply
// delay), in swap mode when given a folder, with its state file beside it.
class Simulators {
 public:
  explicit Simulators(const std::string& dir) : dir_(dir) {}
  // The path to open as its port.
  std::string start(const std::string& name, bool swap, const std::vector<std::string>& extra = {});
  std::string log(const std::string& name) const;
  // Every settings file of this simulator: the DTUs swapped out, then the one in place.
  std::vector<std::map<std::string, std::string>> dtus(const std::string& name) const;
  const std::vector<std::string>& names() const { return names_; }

 private:
  std::string dir_;
  std::vector<std::string> names_;
  std::vector<std::unique_ptr<dtusim::SimProcess>> sims_;
};

// A state file's "KEY=value" lines.
std::map<std::string, std::string> read_state(const std::string& path);

// A base settings file and a units CSV of `count` units (IDs DTU-0001 ..., each with its own
// SS1), made with job create into `db`; the job create's exit status.
int make_job(const std::string& dir, const std::string& db, const std::string& name, int count);

// The unit's thirteen values by key, as the DTU keeps them after a write (the simulator's
// state file spells an unset value as empty).
std::map<std::string, std::string> as_state(const journal::Values& values);

// Waits until `condition` holds, checking every 100 ms; false when `within` passed first.
bool wait_until(const std::function<bool()>& condition, std::chrono::seconds within);

// The dtu-setup-cli command line for one bench.
std::vector<std::string> provision_args(const std::string& db, const std::string& job, const std::string& bench,
                                        const std::vector<std::string>& ports, int lease_s = 30);

// The checks every run ends with: each unit done exactly once per the events, the events
// replay to the units' states, every done unit's DTU holds exactly its unit's settings, and
// no job ID is held by two DTUs (read from the simulators' files, not the journal).
void expect_sound_outcome(journal::Journal& j, int64_t job, const Simulators& sims);

std::string file_text(const std::string& path);

}  // namespace provision_test
