// The runtime's application object as the rest of the runtime (and tests) see it: the helper
// table's entry points, the shutdown routine and the state that start-up fills in.
#pragma once

#include <cstdint>
#include <string>

#include "platform/window_types.h"

namespace rt {

// ---- helper-table entry points
[[noreturn]] void exit_program(int code);  // shutdown, then process exit with `code`
void run_message_loop();
void load_start_form(uint32_t form_id);
intptr_t startup_service(int operation, intptr_t arg1, intptr_t arg2);
[[noreturn]] void call_dll_function(int index);

// The shutdown routine. Harmless when it has already run. From a thread other than the UI
// thread it hands the request to the UI thread and never returns.
void shutdown(int code);

// An end-of-program routine as the program registers it (start-up service 3).
using EndRoutine = void (*)();
void forget_end_routine();

// Private messages of the helper window.
inline constexpr uint32_t kExitRequestMessage = 0x83E7;   // wParam = exit code
inline constexpr uint32_t kRuntimeErrorMessage = 0x83E8;  // lParam = owned error text

// What program initialisation recorded.
bool on_ui_thread();  // true before initialisation has recorded the UI thread
bool message_loop_started();
bool shutdown_started();
platform::Handle helper_window();
const std::string& program_directory();  // without the trailing separator
const std::string& program_file_name();
uint32_t identification_value();

// Splits a module path at its last '/': directory (no trailing separator) and file name.
// Without a separator the directory is empty and the file name is the whole path.
struct ProgramPath {
  std::string directory;
  std::string file_name;
};
ProgramPath split_program_path(const std::string& path);

// Process services program initialisation uses; tests replace them.
struct ProcessServices {
  std::string (*program_path)();
  bool (*set_current_directory)(const std::string&);
};
void set_process_services(const ProcessServices& services);

// Start-up made the user's own folder for the program current instead of the program's
// folder (a copy whose folder cannot hold its files, such as an installed one). The
// directory service says so while start-up runs it; form code asks with start-up service
// kUserFolderCurrent.
void set_user_folder_current(bool yes);
bool user_folder_current();

// Returns the runtime to its freshly constructed state (tests only): no record, no ranges,
// no files, no end routine, flags and counters cleared.
void reset_runtime_for_tests();

}  // namespace rt
