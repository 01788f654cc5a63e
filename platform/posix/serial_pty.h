// The far end of a pseudo-terminal, standing in for a device on a serial line: tests and
// benchmarks open the slave side as the serial port and act as the device through this.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::posix {

class PseudoTerminal {
 public:
  PseudoTerminal();  // check valid()
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  bool valid() const { return master_ >= 0; }
  // The path the serial port opens.
  const std::string& slave_path() const { return slave_path_; }
  // Sends all of it towards the port; false when the line is gone.
  bool write(std::string_view bytes);
  // What the port sent, waiting up to timeout_ms for the first `want` bytes.
  std::string read(size_t want, int timeout_ms);
  // Hangs up: the port sees its device go away.
  void close();

 private:
  int master_ = -1;
  std::string slave_path_;
};

}  // namespace platform::posix
