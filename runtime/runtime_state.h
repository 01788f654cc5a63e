// The state of the runtime's application object, shared by the runtime core's own sources.
// Nothing outside runtime/*.cpp includes this header.
#pragma once

#include <atomic>
#include <condition_variable>
#include <string>
#include <thread>
#include <vector>

#include "platform/mutex.h"
#include "platform/window_types.h"
#include "runtime/library.h"
#include "runtime/runtime_app.h"

namespace rt::detail {

struct RuntimeState {
  const StartupRecord* record = nullptr;
  uint32_t run_mode = 0, reserved = 0, identification = 0;
  std::string program_directory, program_file_name, program_directory_slash;
  bool user_folder_current = false;

  // Read by worker threads that ask for the program to end, hence atomic.
  std::atomic<bool> ui_thread_known{false};
  std::atomic<std::thread::id> ui_thread{};
  std::atomic<platform::Handle> helper_window{0};
  std::atomic<bool> loop_started{false};
  std::atomic<bool> shutdown_started{false};
  std::atomic<EndRoutine> end_routine{nullptr};

  std::vector<const LibraryDescriptor*> libraries;
  bool templates_loaded = false;

  // Threads that asked the UI thread to end the process wait here for the shutdown.
  platform::Mutex end_mutex;
  std::condition_variable end_signal;
  bool shutdown_done GUARDED_BY(end_mutex) = false;
};

RuntimeState& state();
const ProcessServices& current_process_services();

// Calls every library's notify function with (code, p1, p2); absent functions are skipped.
void notify_libraries(int code, intptr_t p1, intptr_t p2);

// Helper window lifetime (start-up creates it, shutdown destroys it).
void create_helper_window();
void destroy_helper_window();

// Blocks a non-UI thread until the UI thread has finished the shutdown, then ends the
// process from this thread too (normally the process is gone before that).
[[noreturn]] void wait_for_process_end(int code);

// Shows a runtime error box a worker thread handed over, then ends the program (UI thread).
[[noreturn]] void show_forwarded_runtime_error(char* owned_box);

// Bytes from p to the end of the constant range holding it; 0 when p is not a constant.
size_t constant_bytes_from(const void* p);

// Closes every file still registered and empties the registry.
void close_registered_files();
void reset_file_registry();
void reset_suppression();

}  // namespace rt::detail
