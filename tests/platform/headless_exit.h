// Ending the process on the headless backend (with exits set to throw) in a test.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "platform/headless/headless_backend.h"

namespace headless_test {

// Runs `fn`, which must end the process; returns the exit code.
inline int exit_code_of(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const platform::headless::ProcessExit& e) {
    return e.code;
  }
  ADD_FAILURE() << "the process did not end";
  return 0x7FFFFFFF;
}

}  // namespace headless_test
