// The helper table: the 13 entry points through which form code reaches the runtime, the
// uniform library-command signature, and the runtime service function handed to support
// libraries.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/value.h"

namespace rt {

// Every library command: (result record, argument count, first argument record). The
// argument records lie consecutively in the caller's order.
using CommandFn = void (*)(Value* result, int arg_count, Value* args);

struct HelperTable {
  void (*raise_runtime_error)(int code);  // 0, does not return
  void (*call_dll_function)(int index);                                                     // 1
  Value (*call_library_command)(CommandFn command, int arg_count, Value* args, int library_index);  // 2
  Value (*call_core_command)(CommandFn command, int arg_count, Value* args);              // 3
  uint64_t (*read_property)(uint32_t form_id, uint32_t unit_id, int index, int sub_kind);  // 4
  void (*write_property)(uint32_t form_id, uint32_t unit_id, int index, int sub_kind, uint64_t value,
                         uint32_t high_or_length);                                          // 5
  void* (*alloc)(size_t size);                                                              // 6
  void* (*realloc)(void* block, size_t size);                                               // 7
  void (*free)(void* block);                                                                // 8
  void (*exit_program)(int code);         // 9, does not return
  void (*run_message_loop)();                                                               // 10
  void (*load_start_form)(uint32_t form_id);                                                // 11
  intptr_t (*startup_service)(int operation, intptr_t arg1, intptr_t arg2);                // 12
};

const HelperTable& helpers();

// The runtime service function (code, parameter 1, parameter 2) -> result, handed to every
// support library at start-up. Pointer-sized so it can carry addresses on this machine.
using ServiceFn = intptr_t (*)(int code, intptr_t param1, intptr_t param2);
intptr_t runtime_service(int code, intptr_t param1, intptr_t param2);

namespace service {
inline constexpr int kProgramIcons = 1000, kFormRegistry = 1001, kTypeRecord = 1002;
inline constexpr int kUnitDestroyed = 2000, kUnitWindowLenient = 2006, kUnitWindowStrict = 2007,
                     kRaiseEvent = 2008, kBeginSuppressed = 2009, kEndSuppressed = 2010, kFileKind = 2011,
                     kRegisterFile = 2012, kUnregisterFile = 2013, kProcessPending = 2018, kFreeArray = 2023,
                     kAlloc = 2024, kProgramFileName = 2004;
}  // namespace service

namespace startup_op {
inline constexpr int kFindFile = 0, kEndFind = 1, kMakeArrayWritable = 2, kRegisterEndRoutine = 3,
                     kInitialise = 6;
// (form id, unit id) -> 1 while the unit has a live window, else 0; never a runtime error.
// Lets a handler that waited find out whether its form was closed meanwhile.
inline constexpr int kUnitAlive = 7;
// () -> 1 when start-up made the user's own folder for the program current instead of the
// program's folder (an installed copy), else 0.
inline constexpr int kUserFolderCurrent = 8;
}

// Runtime error codes of raise_runtime_error.
inline constexpr int kErrorArrayIndexRange = 1;

}  // namespace rt
