// The device end of a pseudo-terminal: the simulator holds the master side; the tool opens
// the slave path as if it were a serial port.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dtusim {

class PtyPort {
 public:
  // Creates the pair in raw mode; nothing on failure, with `error` set.
  static std::unique_ptr<PtyPort> create(std::string& error);
  ~PtyPort();
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;

  const std::string& path() const { return path_; }
  int fd() const { return fd_; }
  // True while some program has the slave side open (seen through the master's hang-up
  // flag, which misses a close quickly followed by a reopen).
  bool peer_present() const;
  // Exact opens and closes of the slave, when the system can report them: the descriptor
  // to poll (-1 when not available), and the events in order (true = opened).
  int watch_fd() const { return watch_; }
  std::vector<bool> take_open_events(bool& overflow);
  // Non-blocking; "" when nothing is waiting. Sets `gone` when the other side closed.
  std::string read_available(bool& gone);
  // Discards what is left over from a previous opener, in both directions.
  void drain();
  // Non-blocking; returns how many bytes went out (0 when the line is full).
  size_t write_some(std::string_view bytes);

 private:
  PtyPort(int fd, std::string path, int watch) : fd_(fd), path_(std::move(path)), watch_(watch) {}
  int fd_;
  std::string path_;
  int watch_;
};

}  // namespace dtusim
