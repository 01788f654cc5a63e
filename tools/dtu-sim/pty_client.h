// The other side of the pseudo-terminal, for tests of the dtu-sim program: starting the
// program, reading the path it prints, and talking to it as the tool would.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dtusim {

class SimProcess {
 public:
  // Starts `program` with `args`, standard input empty, standard error to `log_path`.
  static std::unique_ptr<SimProcess> start(const std::string& program, const std::vector<std::string>& args,
                                           const std::string& log_path, std::string& error);
  ~SimProcess();  // stops it if still running
  // One line of the program's standard output, without the newline; "" on time-out.
  std::string read_line(int timeout_ms);
  // Sends SIGTERM (or SIGUSR1 with reboot()) and waits; returns the exit status, -1 if killed.
  int stop();
  void reboot();

 private:
  SimProcess(int pid, int out) : pid_(pid), out_(out) {}
  int pid_;
  int out_;
  std::string buffer_;
};

class PtyClient {
 public:
  static std::unique_ptr<PtyClient> open(const std::string& path, std::string& error);
  ~PtyClient();
  void write(std::string_view bytes);
  // Everything received since the last call, as soon as it contains `needle`; on time-out
  // what has arrived so far.
  std::string read_until(std::string_view needle, int timeout_ms);

 private:
  explicit PtyClient(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace dtusim
