// What the serial benchmarks share: the process's resident memory, open descriptors and
// threads, read from /proc; and a serial port unit on a pseudo-terminal with its UI side
// on the headless backend's queue.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

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

}  // namespace units::bench
