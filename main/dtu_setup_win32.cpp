// The tool's window on Windows: the native Win32 backend.
#include "main/tool.h"
#include "platform/backend.h"
#include "platform/win32/win32_window_backend.h"

int main() {
  platform::win32::Win32WindowBackend backend;
  platform::set_backend(&backend);
  return tool::run();
}
