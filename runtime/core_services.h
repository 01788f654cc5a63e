// The runtime core's own interface for the layers above it (form runtime, units, library
// commands): memory with constant ranges, runtime errors, event suppression, message
// processing and the open-file registry. Form code uses the helper table instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rt {

// ---- memory (the runtime heap)
void* alloc(size_t size);               // failure is the runtime error "分配 %d 字节内存失败!"
void* alloc_or_null(size_t size);       // plain allocation that may return null
void* realloc(void* block, size_t size);
void free(void* block);                 // null and constants are left alone
void add_constant_range(const void* start, size_t size);
void clear_constant_ranges();
bool in_constant_range(const void* p);

// Fresh heap copies; an empty text or byte run gives null (the empty value).
char* new_text(std::string_view gbk);
uint8_t* new_binary(const void* data, size_t size);
// A fresh one-dimensional array block {1, count, elements}; elements zeroed.
uint8_t* new_array(uint32_t count, size_t element_size);
// Frees an array block; for Text and Binary elements each non-null element first.
void free_array(uint32_t element_tag, void* block);
std::string_view text_view(const char* text);  // null -> ""

// ---- runtime errors: the error box, then exit with -1; the end routine is not run.
[[noreturn]] void runtime_error(std::string_view message_gbk, int code = 0);
[[noreturn]] void raise_runtime_error(int code);

// ---- event suppression: while above zero no handler runs
void raise_suppression();
void lower_suppression();  // never below zero
bool events_suppressed();

// Dispatches every queued window message except the quit request.
void process_pending_messages();

// ---- the open-file registry (kind 1 = plain file)
void register_file(void* file, int kind);
bool unregister_file(void* file);
int file_kind(void* file);  // -1 when not registered
// How shutdown closes a file the program left open: the file commands install it, since
// only they know what the registered objects are. Without a closer shutdown just forgets them.
using FileCloser = void (*)(void* file, int kind);
void set_file_closer(FileCloser closer);

}  // namespace rt

namespace rt {
struct UnitTypeRecord;
// The type record of a unit data type (library number << 16 | type number), or null.
const UnitTypeRecord* type_record(uint32_t data_type);
}  // namespace rt
