// The threads and descriptors of this process as /proc lists them, for tests that check
// that a component leaves none behind. A thread that has been joined may still be listed
// for a moment (the kernel lets the joiner go before it drops the thread from the list),
// so a check waits, with a deadline, for the listing to settle instead of reading it once.
#pragma once

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

namespace census {

using Ids = std::set<std::string>;

inline Ids entries(const char* dir) {
  Ids ids;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    ids.insert(it->path().filename().string());
  }
  return ids;
}
inline Ids threads() { return entries("/proc/self/task"); }
// Includes the descriptor that lists them, which takes the lowest free number each time.
inline Ids descriptors() { return entries("/proc/self/fd"); }

// The entries of `now` that `before` did not have.
inline Ids added(const Ids& before, const Ids& now) {
  Ids extra;
  for (const std::string& id : now) {
    if (!before.count(id)) extra.insert(id);
  }
  return extra;
}

// Waits (at most 5 s) until `list()` holds nothing that `before` did not, and returns what
// it held beyond `before` at the end (empty when it settled).
template <class List>
Ids extra_after_settling(const Ids& before, List list) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  Ids extra = added(before, list());
  while (!extra.empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    extra = added(before, list());
  }
  return extra;
}
inline Ids extra_threads(const Ids& before) { return extra_after_settling(before, threads); }
inline Ids extra_descriptors(const Ids& before) { return extra_after_settling(before, descriptors); }

}  // namespace census
