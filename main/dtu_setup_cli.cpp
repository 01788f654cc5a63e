// The console program on Linux: the tool on the windowless backend on the real clock, with
// the system's serial devices.
#include "main/cli/console_program.h"
#include "platform/console.h"
#include "platform/posix/serial_device.h"

int main(int argc, char** argv) {
  return cli::run_console(platform::console_arguments(argc, argv), {platform::posix::open_serial_device});
}
