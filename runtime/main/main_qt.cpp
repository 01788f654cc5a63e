// The windowed program's process entry: chooses the Qt backend and runs the program the
// way the platform starts it.
#include "platform/backend.h"
#include "platform/qt/qt_backend.h"
#include "runtime/program.h"

int main(int argc, char** argv) {
  platform::qt::QtBackend backend(argc, argv);
  platform::set_backend(&backend);
  return rt::run_program(rt::kProgramStartupRecord, rt::program_entry);
}
