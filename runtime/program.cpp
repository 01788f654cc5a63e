// Running a program: the application object's initialisation calls the program's entry
// routine, which runs the whole life of the program; then the shutdown with code 0.
#include "platform/backend.h"
#include "runtime/program.h"
#include "runtime/runtime_app.h"

namespace rt {

int run_program(const StartupRecord& record, int (*entry)()) {
  set_startup_record(&record);
  entry();
  shutdown(0);
  auto& b = platform::backend();
  return b.quit_requested() ? b.quit_code() : 0;
}

}  // namespace rt
