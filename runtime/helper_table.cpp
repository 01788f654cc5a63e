// The helper table: the 13 entry points through which form code reaches the runtime.
#include "runtime/helpers.h"

#include "runtime/core.h"
#include "runtime/form_host.h"
#include "runtime/runtime_app.h"
#include "runtime/runtime_texts.h"

namespace rt {
namespace {

// The command fills a zeroed result record; the caller's argument records are read in
// place and never copied or converted here: each command checks its own arguments.
Value call_core_command(CommandFn command, int arg_count, Value* args) {
  Value result{};
  command(&result, arg_count, args);
  return result;
}

Value call_library_command(CommandFn command, int arg_count, Value* args, int /*library_index*/) {
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
