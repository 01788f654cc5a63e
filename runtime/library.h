// Support libraries as the runtime sees them: descriptors with a unit type table, a command
// table and a notify function; and the start-up record that lists them.
#pragma once

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

// Value type codes of properties.
namespace vtype {
inline constexpr uint16_t kInt = 1001, kInt64 = 1002, kLogical = 1003, kText = 1005, kPickList = 1006,
                          kBytes = 1009, kFont = 1013, kColour = 1014, kFrameColour = 1015,
                          kBackColour = 1017, kData = 1024;
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

struct LibraryDescriptor {
  uint32_t marker;  // 0x01312D65
  const char* identifier;
  uint32_t version[7];
  const char* title;
  uint32_t flags;
  int type_count;
  const UnitTypeRecord* types;
  int command_count;
  const CommandFn* commands;
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

// The three support libraries of this system, defined by the layers that own their parts.
extern const LibraryDescriptor kCoreLibrary;     // number 1
extern const LibraryDescriptor kSpecialLibrary;  // number 2: delay
extern const LibraryDescriptor kExtendedUiLibrary;  // number 3: IPEditBox

// Index of each command in the core library's command table (its order is fixed).
enum CoreCommand : int {
  kToInt = 0, kClosePort, kOpenPort, kMessageBox, kToText, kAppendText, kFindText, kSetFocus, kHasFocus,
  kOpenFile, kReadFromFile, kCloseFile, kSplitText, kTrimSpaces, kTextLength, kToBinary, kToByte,
  kSendData, kFileLength, kDeleteFileData, kWriteToFile, kRemoveSpaces, kCoreCommandCount
};
inline CommandFn core_command(CoreCommand c) { return kCoreLibrary.commands[c]; }
inline CommandFn delay_command() { return kSpecialLibrary.commands[0]; }
// Replaces a file's whole content all-or-nothing (special-functions library, command 1).
inline CommandFn replace_file_command() { return kSpecialLibrary.commands[1]; }

}  // namespace rt
