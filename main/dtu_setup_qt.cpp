// The tool's window on Linux: the Qt backend.
#include "main/tool.h"
#include "platform/backend.h"
#include "platform/qt/qt_backend.h"

int main(int argc, char** argv) {
  platform::qt::QtBackend backend(argc, argv);
  platform::set_backend(&backend);
  return tool::run();
}
