// The application object's state and what program initialisation recorded in it.
#include "runtime/runtime_state.h"

#include "platform/process.h"
#include "runtime/core_services.h"
#include "runtime/program.h"
#include "runtime/window_router.h"

namespace rt {
namespace {

ProcessServices& process_services() {
  static ProcessServices services{&platform::program_path, &platform::set_current_directory};
  return services;
}

}  // namespace

detail::RuntimeState& detail::state() {
  static RuntimeState s;
  return s;
}

void detail::notify_libraries(int code, intptr_t p1, intptr_t p2) {
  for (const LibraryDescriptor* lib : state().libraries)
    if (lib && lib->notify) lib->notify(code, p1, p2);
}

bool on_ui_thread() {
  auto& s = detail::state();
  return !s.ui_thread_known.load() || s.ui_thread.load() == std::this_thread::get_id();
}

bool message_loop_started() { return detail::state().loop_started.load(); }
bool shutdown_started() { return detail::state().shutdown_started.load(); }
platform::Handle helper_window() { return detail::state().helper_window.load(); }
const std::string& program_directory() { return detail::state().program_directory; }
const std::string& program_file_name() { return detail::state().program_file_name; }
uint32_t identification_value() { return detail::state().identification; }

void forget_end_routine() { detail::state().end_routine.store(nullptr); }

ProgramPath split_program_path(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {"", path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

void set_process_services(const ProcessServices& services) { process_services() = services; }
void set_user_folder_current(bool yes) { detail::state().user_folder_current = yes; }
bool user_folder_current() { return detail::state().user_folder_current; }
const ProcessServices& detail::current_process_services() { return process_services(); }

const StartupRecord& startup_record() {
  static const StartupRecord empty{};
  const StartupRecord* r = detail::state().record;
  return r ? *r : empty;
}

void set_startup_record(const StartupRecord* record) { detail::state().record = record; }

void reset_runtime_for_tests() {
  auto& s = detail::state();
  if (platform::Handle h = s.helper_window.exchange(0)) unroute_window(h);
  s.record = nullptr;
  s.run_mode = s.reserved = s.identification = 0;
  s.program_directory.clear();
  s.program_file_name.clear();
  s.program_directory_slash.clear();
  s.user_folder_current = false;
  s.ui_thread_known = false;
  s.ui_thread = std::thread::id{};
  s.loop_started = false;
  s.shutdown_started = false;
  s.end_routine = nullptr;
  s.libraries.clear();
  s.templates_loaded = false;
  {
    platform::MutexLock lock(s.end_mutex);
    s.shutdown_done = false;
  }
  clear_constant_ranges();
  detail::reset_file_registry();
  detail::reset_suppression();
  process_services() = {&platform::program_path, &platform::set_current_directory};
}

}  // namespace rt
