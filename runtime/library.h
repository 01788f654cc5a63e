// Support libraries as the runtime sees them: descriptors with a unit type table, a command
// table and a notify function; and the start-up record that lists them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/helpers.h"

namespace rt {

// A property descriptor of a unit type.
struct PropertyDescriptor {
  const char* name;       // GBK
  const char* english;
  const char* description;
  uint16_t value_type;    // 1000 .. 1024, see the unit model
  uint16_t flags;         // 0xE000 on the eight common properties
  const char* pick_list;
};

// Value type codes of properties: how a value crosses the property interface.
namespace vtype {
inline constexpr uint16_t kInt = 1001, kIntAlt = 1000,  // 32-bit integers
    kInt64 = 1002, kInt64Alt = 1004,                    // 64-bit values
    kLogical = 1003, kText = 1005, kPickList = 1006,
    kBytes = 1009, kPointerData = 1012, kBytesAlt = 1023,  // byte data: 1009..1012, 1023, 1024
    kFont = 1013, kColour = 1014, kFrameColour = 1015, kBackColour = 1017, kBindingA = 1018,
    kBindingB = 1020, kData = 1024;
}

// Type flags.
inline constexpr uint32_t kTypeNoWindow = 0x8000, kTypeEditChild = 0x200, kTypeEvents1 = 0x04,
                          kTypeEvents2 = 0x40;

// The type record of a unit type (one slot of a library's type table). `impl` belongs to
// the form runtime (it holds the creation entry point and the unit class's hooks).
struct UnitTypeRecord {
  const char* chinese_name;  // GBK; null marks an empty slot
  const char* english_name;
  const char* description;
  uint32_t flags;
  int icon_id;
  int event_count;
  int property_count;
  const PropertyDescriptor* properties;
  const void* impl;
};

using NotifyFn = intptr_t (*)(int code, intptr_t param1, intptr_t param2);

// Codes of a library's notify function; it answers kNotHandled to any code it does not know.
namespace notify {
inline constexpr int kServiceFunction = 1;  // parameter 1: the runtime service function
inline constexpr int kEndOfProgram = 6;
// The core library also answers these five without doing anything.
inline constexpr int kCoreQuiet[] = {2, 10, 11, 12, 13};
inline constexpr intptr_t kNotHandled = -1;
}  // namespace notify

// One row of a library's command table: its number, its function, and how many argument
// records a caller must pass (commands read their declared arguments by position, so an
// optional argument that is not given still needs its empty record).
struct CommandRow {
  int id;
  CommandFn function;
  int min_args;
};

// True when row i carries command number i, so a table's order cannot drift from its enum.
template <size_t N>
constexpr bool rows_in_order(const CommandRow (&rows)[N]) {
  for (size_t i = 0; i < N; ++i)
    if (rows[i].id != static_cast<int>(i)) return false;
  return true;
}

struct LibraryDescriptor {
  uint32_t marker;  // 0x01312D65
  const char* identifier;
  uint32_t version[7];
  const char* title;
  uint32_t flags;
  int type_count;
  const UnitTypeRecord* types;
  int command_count;
  const CommandRow* commands;
  NotifyFn notify;
};

struct StartupRecord {
  uint32_t run_mode;
  uint32_t reserved;
  uint32_t identification;
  const void* code_base;             // the application's handler table; template offsets index it
  const uint8_t* constant_area;
  uint32_t constant_area_size;
  const uint8_t* template_segment;
  uint32_t template_segment_size;    // 0 = no forms
  uint32_t library_count;
  const LibraryDescriptor* const* libraries;  // order = library number 1, 2, 3
  uint32_t external_function_count;  // none in this program
};

// Index of each command in the core library's command table (its order is fixed).
enum CoreCommand : int {
  kToInt = 0, kClosePort, kOpenPort, kMessageBox, kToText, kAppendText, kFindText, kSetFocus, kHasFocus,
  kOpenFile, kReadFromFile, kCloseFile, kSplitText, kTrimSpaces, kTextLength, kToBinary, kToByte,
  kSendData, kFileLength, kDeleteFileData, kWriteToFile, kRemoveSpaces, kCoreCommandCount
};

// The special-functions library's commands.
enum SpecialCommand : int { kDelay = 0, kReplaceFile, kFailureReason, kSpecialCommandCount };

// Library numbers as form code calls them (0-based positions in the start-up record).
inline constexpr int kCoreLibraryIndex = 0, kSpecialLibraryIndex = 1, kExtendedUiLibraryIndex = 2;

// A command of a library the running program listed in its start-up record; null when
// that library or command is not there.
CommandFn library_command(int library_index, int command);
inline CommandFn core_command(CoreCommand c) { return library_command(kCoreLibraryIndex, c); }
inline CommandFn special_command(SpecialCommand c) { return library_command(kSpecialLibraryIndex, c); }

}  // namespace rt
