// What the serial benchmarks share: the process's resident memory, open descriptors and
// threads, read from /proc; and a serial port unit on a pseudo-terminal with its UI side
// on the headless backend's queue.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "bench/units/serial_bench.h"
#include "platform/headless/headless_backend.h"
#include "platform/posix/serial_device.h"
#include "platform/posix/serial_pty.h"
#include "tests/units/fake_form_host.h"
#include "units/serial_port_unit.h"

namespace units::bench {

inline long resident_kib() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      long kib = 0;
      status >> kib;
      return kib;
    }
    std::getline(status, key);
  }
  return -1;
}

inline long count_entries(const char* dir) {
  long n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}
inline long open_descriptors() { return count_entries("/proc/self/fd"); }
inline long threads() { return count_entries("/proc/self/task"); }

// The serial port unit of the main form, set to COM2, with COM2 pointed at a fresh
// pseudo-terminal and the UI side on the headless backend's queue.
struct PtyPort {
  platform::headless::HeadlessBackend ui;
  platform::posix::PseudoTerminal pty;
  std::unique_ptr<forms::Unit> unit;

  // False (with a message) when no pseudo-terminal can be had.
  bool set_up() {
    if (!pty.valid()) {
      std::puts("no pseudo-terminal available");
      return false;
    }
    setenv("DTU_SETUP_COM2", pty.slave_path().c_str(), 1);
    unit = make_port_unit(ui, 2, platform::posix::open_serial_device);
    return true;
  }
  SerialPortUnit& port() { return static_cast<SerialPortUnit&>(*unit); }
};

}  // namespace units::bench
