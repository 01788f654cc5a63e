// The console program's work on one DTU: the tool runs on the windowless backend on the real
// clock, and the command's sequence drives it as a technician would: link settings, values,
// connect, wait for the boot, then read, write or reset, and disconnect.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "main/cli/options.h"
#include "main/cli/report.h"
#include "platform/headless/headless_backend.h"

namespace cli {

struct OneDtuSetup {
  const Options* options = nullptr;
  std::string port;                                // as given on the command line
  platform::headless::SerialOpener open_device;    // the system's serial devices
  // The backend to run on. None: a windowless one on the real clock, whose devices are
  // opened by open_device (a device path given as the port stands in for the COM port's).
  platform::headless::HeadlessBackend* backend = nullptr;
  std::function<void(std::string_view utf8_line)> progress;  // standard error
  std::function<void(std::string_view text)> output;         // standard output
};

// Runs the command on the one port; prints its result; returns the exit status.
int run_one_dtu(const OneDtuSetup& setup);

// Any thread: asks the running command to stop. It closes the port, reports the step that
// was cut and ends the process with `exit_status`.
void stop_one_dtu(int exit_status, const char* what);

}  // namespace cli
