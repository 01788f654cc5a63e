// The helper table: the 13 entry points through which form code reaches the runtime.
#include "runtime/helpers.h"

#include "runtime/core_services.h"
#include "runtime/form_host.h"
#include "runtime/runtime_app.h"
#include "runtime/runtime_state.h"
#include "runtime/runtime_texts.h"

namespace rt {
namespace {

const LibraryDescriptor* library_at(int index) {
  const auto& libraries = detail::state().libraries;
  return index >= 0 && static_cast<size_t>(index) < libraries.size() ? libraries[index] : nullptr;
}

// Commands read their declared arguments by position, so a call with fewer records than the
// table asks for, or with a function the library does not list, would make the command read
// past the caller's records: that misuse ends the program as a runtime error instead.
void check_call(int library_index, CommandFn command, int arg_count) {
  const LibraryDescriptor* library = library_at(library_index);
  if (library && library->commands) {
    for (int i = 0; i < library->command_count; ++i) {
      const CommandRow& row = library->commands[i];
      if (row.function != command) continue;
      if (arg_count >= row.min_args) return;
      runtime_error(text(texts::kTooFewArguments));
    }
  }
  runtime_error(text(texts::kUnknownCommand));
}

// The command fills a zeroed result record; the caller's argument records are read in
// place and never copied or converted here: each command checks its own arguments' values.
Value call_core_command(CommandFn command, int arg_count, Value* args) {
  check_call(kCoreLibraryIndex, command, arg_count);
  Value result{};
  command(&result, arg_count, args);
  return result;
}

Value call_library_command(CommandFn command, int arg_count, Value* args, int library_index) {
  check_call(library_index, command, arg_count);
  Value result{};
  command(&result, arg_count, args);
  return result;
}

uint64_t read_property(uint32_t form_id, uint32_t unit_id, int index, int sub_kind) {
  return form_host().read_property(form_id, unit_id, index, sub_kind);
}

void write_property(uint32_t form_id, uint32_t unit_id, int index, int sub_kind, uint64_t value,
                    uint32_t high_or_length) {
  form_host().write_property(form_id, unit_id, index, sub_kind, value, high_or_length);
}

void free_block(void* block) { rt::free(block); }
void* alloc_block(size_t size) { return rt::alloc(size); }
void* realloc_block(void* block, size_t size) { return rt::realloc(block, size); }

}  // namespace

// This program imports no external functions, so any call to one cannot be resolved.
void call_dll_function(int /*index*/) { runtime_error(text(texts::kNoDllFunction)); }

CommandFn library_command(int library_index, int command) {
  const LibraryDescriptor* library = library_at(library_index);
  if (!library || !library->commands || command < 0 || command >= library->command_count) return nullptr;
  return library->commands[command].function;
}

const HelperTable& helpers() {
  static const HelperTable table{
      &raise_runtime_error, &call_dll_function, &call_library_command, &call_core_command,
      &read_property,       &write_property,    &alloc_block,          &realloc_block,
      &free_block,          &exit_program,      &run_message_loop,     &load_start_form,
      &startup_service,
  };
  return table;
}

}  // namespace rt
