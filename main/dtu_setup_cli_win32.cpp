// The console program on Windows: the tool on the windowless backend on the real clock, with
// COM ports through the Win32 communications API.
#include "main/cli/console_program.h"
#include "platform/console.h"
#include "platform/win32/serial_device.h"

int main(int argc, char** argv) {
  return cli::run_console(platform::console_arguments(argc, argv), {platform::win32::open_serial_device});
}
