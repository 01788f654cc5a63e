// Runs part of a test as a user without special rights. Root may write any folder and open
// any device, so where a test needs the refusals an ordinary user meets, this test binary is
// started again as "nobody" (setpriv) with a filter naming the child test; a test run by an
// ordinary user runs the child's body directly.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/process.h"

namespace platform_test {

inline constexpr char kChildMarker[] = "DTU_UNPRIVILEGED_CHILD";

// True in the started child: its test body runs; anywhere else the child test skips.
inline bool in_unprivileged_child() { return platform::environment(kChildMarker).has_value(); }

// Runs `body` without rights: directly when this process has none, else in this binary
// started again as nobody with `child_filter` (a test that calls `body` when
// in_unprivileged_child()) and `env` ("NAME=value" items). Skips when that is impossible.
inline void run_unprivileged(const std::string& child_filter, const std::vector<std::string>& env,
                             const std::function<void()>& body) {
  if (::geteuid() != 0) {
    for (const std::string& e : env) {
      const size_t eq = e.find('=');
      setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
    }
    body();
    return;
  }
  const std::string self = platform::program_path();
  const std::string as_nobody = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  std::string probe = as_nobody;
  probe.append("test -x '").append(self).append("' 2>/dev/null");
  if (std::system(probe.c_str()) != 0)
    GTEST_SKIP() << "the user nobody cannot run " << self << " (setpriv missing or the build folder closed)";
  // From "/": the current folder may be one the user may not enter, or one already removed.
  // Appended piece by piece: gcc 12 misreads chains of temporary strings here (array-bounds).
  std::string command = "cd / && env ";
  command.append(kChildMarker).append("=1");
  for (const std::string& e : env) command.append(" '").append(e).append("'");
  command.append(" ").append(as_nobody).append("'").append(self).append("' --gtest_filter='");
  command.append(child_filter).append("'");
  EXPECT_EQ(std::system(command.c_str()), 0) << "the unprivileged part failed (its output is above)";
}

}  // namespace platform_test
