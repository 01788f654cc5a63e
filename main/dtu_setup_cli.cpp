// The console program on Linux: the windowless backend on the real clock, with the system's
// serial devices.
#include <string>
#include <vector>

#include "main/cli/console_program.h"
#include "platform/backend.h"
#include "platform/console.h"
#include "platform/headless/headless_backend.h"
#include "platform/posix/serial_device.h"

int main(int argc, char** argv) {
  platform::headless::HeadlessBackend backend(0, platform::headless::HeadlessBackend::Clock::Real);
  platform::set_backend(&backend);
  return cli::run_console(platform::console_arguments(argc, argv),
                          {&backend, platform::posix::open_serial_device});
}
