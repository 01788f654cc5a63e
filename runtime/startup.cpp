// The start-up services: program initialisation, registration of the end-of-program
// routine, and making a constant array variable writable.
#include <cstring>
#include <thread>

#include "platform/backend.h"
#include "runtime/core_services.h"
#include "runtime/form_host.h"
#include "runtime/helpers.h"
#include "runtime/program.h"
#include "runtime/runtime_state.h"
#include "runtime/runtime_texts.h"
#include "runtime/window_router.h"

namespace rt {
namespace {

// The current directory is always the program's own, so relative names (the settings file)
// resolve there. A program in the root directory keeps "/" as the directory to change to.
void enter_program_directory(detail::RuntimeState& s) {
  const auto& services = detail::current_process_services();
  std::string path = services.program_path();
  ProgramPath parts = split_program_path(path);
  s.program_directory = parts.directory;
  s.program_file_name = parts.file_name;
  bool has_separator = path.find('/') != std::string::npos;
  s.program_directory_slash = has_separator ? parts.directory + "/" : "";
  std::string target = parts.directory.empty() && has_separator ? "/" : parts.directory;
  // The service may choose the user's own folder instead, and then says so.
  s.user_folder_current = false;
  if (!target.empty()) services.set_current_directory(target);  // on failure it stays as it was
}

void initialise_libraries(detail::RuntimeState& s, const StartupRecord& r) {
  s.libraries.clear();
  for (uint32_t i = 0; i < r.library_count; ++i) s.libraries.push_back(r.libraries ? r.libraries[i] : nullptr);
  detail::notify_libraries(notify::kServiceFunction, reinterpret_cast<intptr_t>(&runtime_service), 0);
}

void load_templates(detail::RuntimeState& s, const StartupRecord& r) {
  if (r.template_segment_size == 0) return;
  s.templates_loaded = true;  // so that shutdown also frees a partial load
  if (!form_host().load_templates(r.template_segment, r.template_segment_size, r.code_base))
    runtime_error(text(texts::kTemplateLoadFailed));
}

intptr_t initialise_program() {
  auto& s = detail::state();
  const StartupRecord& r = startup_record();
  install_window_router();
  s.run_mode = r.run_mode;
  s.reserved = r.reserved;
  s.identification = r.identification + 1;
  enter_program_directory(s);
  detail::create_helper_window();
  s.ui_thread.store(std::this_thread::get_id());
  s.ui_thread_known.store(true);
  if (r.constant_area_size != 0) add_constant_range(r.constant_area, r.constant_area_size);
  initialise_libraries(s, r);
  load_templates(s, r);
  return 0;
}

// Array variables start out pointing at a constant block; before the program changes one
// in place it gets a heap copy of the whole block.
intptr_t make_array_writable(size_t element_size, void** variable) {
  if (!variable) return 0;
  auto* block = static_cast<const uint8_t*>(*variable);
  size_t available = detail::constant_bytes_from(block);
  if (available == 0) return 0;
  uint64_t total = 4 + 4ull * array_dimensions(block) + uint64_t{array_count(block)} * element_size;
  if (total > SIZE_MAX) total = SIZE_MAX;
  auto* copy = static_cast<uint8_t*>(alloc(static_cast<size_t>(total)));
  size_t n = total < available ? static_cast<size_t>(total) : available;
  std::memcpy(copy, block, n);
  std::memset(copy + n, 0, static_cast<size_t>(total) - n);  // only when the constant was cut short
  *variable = copy;
  return 0;
}

}  // namespace

intptr_t startup_service(int operation, intptr_t arg1, intptr_t arg2) {
  switch (operation) {
    case startup_op::kInitialise: return initialise_program();
    case startup_op::kRegisterEndRoutine:
      detail::state().end_routine.store(reinterpret_cast<EndRoutine>(arg1));
      return 0;
    case startup_op::kUnitAlive:
      return form_host().unit_window(static_cast<uint32_t>(arg1), static_cast<uint32_t>(arg2), false).window != 0;
    case startup_op::kMakeArrayWritable:
      return make_array_writable(static_cast<size_t>(arg1), reinterpret_cast<void**>(arg2));
    case startup_op::kUserFolderCurrent: return user_folder_current() ? 1 : 0;
    default: return 0;  // file search and library-type property access: not used by this program
  }
}

}  // namespace rt
