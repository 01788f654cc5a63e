// The shutdown routine and exit_program. Shutdown always runs on the UI thread: a worker
// that asks for the end hands the request to the helper window and waits for the process
// to end.
#include <cstdlib>

#include "platform/backend.h"
#include "runtime/core_services.h"
#include "runtime/form_host.h"
#include "runtime/runtime_app.h"
#include "runtime/runtime_state.h"

namespace rt {
namespace {

void release_waiting_threads() {
  auto& s = detail::state();
  {
    platform::MutexLock lock(s.end_mutex);
    s.shutdown_done = true;
  }
  s.end_signal.notify_all();
}

}  // namespace

void detail::wait_for_process_end(int code) {
  auto& s = state();
  {
    platform::MutexLock lock(s.end_mutex);
    while (!s.shutdown_done) lock.wait(s.end_signal);
  }
  // The UI thread ends the process right after the shutdown; this only matters when that
  // exit does not end the whole process (tests).
  platform::backend().exit_process(code);
  std::abort();  // a backend's exit never returns
}

void shutdown(int code) {
  auto& s = detail::state();
  raise_suppression();
  if (!on_ui_thread()) {
    if (platform::Handle helper = helper_window()) {
      platform::backend().post(helper, kExitRequestMessage, static_cast<uintptr_t>(code), 0);
      detail::wait_for_process_end(code);
    }
    return;  // no helper window yet: the caller ends the process itself
  }
  if (s.shutdown_started.exchange(true)) return;
  if (s.templates_loaded) {
    s.templates_loaded = false;
    form_host().free_templates();
  }
  if (EndRoutine end = s.end_routine.exchange(nullptr)) end();
  detail::notify_libraries(notify::kEndOfProgram, 0, 0);
  s.libraries.clear();
  clear_constant_ranges();
  detail::destroy_helper_window();
  detail::close_registered_files();
  release_waiting_threads();
}

void exit_program(int code) {
  shutdown(code);
  platform::backend().exit_process(code);
  std::abort();  // a backend's exit never returns
}

}  // namespace rt
