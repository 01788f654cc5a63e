// The special-functions support library (number 2): no unit types; delay, replace_file and
// failure_reason.
#include <iterator>

#include "dtu_library_texts.h"
#include "runtime/library/commands.h"
#include "runtime/library/failure_reason.h"

namespace rt {
namespace {

ServiceFn g_service = nullptr;

intptr_t notify_special(int code, intptr_t param1, intptr_t) {
  if (code == notify::kServiceFunction) {
    g_service = reinterpret_cast<ServiceFn>(param1);
    return 0;
  }
  return code == notify::kEndOfProgram ? 0 : notify::kNotHandled;
}

constexpr CommandRow kSpecialCommands[] = {
    {kDelay, cmd_delay, 1},
    {kReplaceFile, cmd_replace_file, 2},
    {kFailureReason, cmd_failure_reason, 0},
};
static_assert(rows_in_order(kSpecialCommands) && std::size(kSpecialCommands) == kSpecialCommandCount);

const LibraryDescriptor kSpecialLibrary = {
    0x01312D65u,
    "6B1F0C3A92D54E7F8A0B1C2D3E4F5061",
    {1, 0, 0, 1, 0, 0, 0},
    library_texts::text_at(library_texts::kSpecialTitle),
    0xC0000000u,
    0,
    nullptr,
    kSpecialCommandCount,
    kSpecialCommands,
    notify_special,
};

}  // namespace

const LibraryDescriptor& special_library() { return kSpecialLibrary; }

}  // namespace rt
