// The tool's window on Linux: the Qt backend.
#include <iostream>

#include "main/command_line.h"
#include "main/tool.h"
#include "platform/backend.h"
#include "platform/qt/qt_backend.h"

int main(int argc, char** argv) {
  // Answered before the toolkit starts, so they work without a display.
  if (auto code = tool::answer_command_line(argc, argv, std::cout)) return *code;
  platform::qt::QtBackend backend(argc, argv);
  platform::set_backend(&backend);
  return tool::run();
}
