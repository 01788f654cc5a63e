// The runtime service function handed to every support library at start-up.
#include <cstring>

#include "runtime/core_services.h"
#include "runtime/form_host.h"
#include "runtime/helpers.h"
#include "runtime/runtime_app.h"

namespace rt {
namespace {

// The program carries no icon resources on this platform: both icons are reported absent.
intptr_t program_icons(intptr_t large_out, intptr_t small_out) {
  const intptr_t none = 0;
  if (large_out) std::memcpy(reinterpret_cast<void*>(large_out), &none, sizeof none);
  if (small_out) std::memcpy(reinterpret_cast<void*>(small_out), &none, sizeof none);
  return 0;
}

uint32_t u32(intptr_t v) { return static_cast<uint32_t>(v); }

}  // namespace

intptr_t runtime_service(int code, intptr_t p1, intptr_t p2) {
  using namespace service;
  switch (code) {
    case kProgramIcons: return program_icons(p1, p2);
    case kFormRegistry: return reinterpret_cast<intptr_t>(&form_host());
    case kTypeRecord: return reinterpret_cast<intptr_t>(type_record(u32(p1)));
    case kUnitDestroyed: form_host().unit_destroyed(u32(p1), u32(p2)); return 0;
    case kProgramFileName: return reinterpret_cast<intptr_t>(program_file_name().c_str());
    // Both unit lookups answer with the unit's live window (0 when the lenient one finds none).
    case kUnitWindowLenient: return form_host().unit_window(u32(p1), u32(p2), false).window;
    case kUnitWindowStrict: return form_host().unit_window(u32(p1), u32(p2), true).window;
    case kRaiseEvent: return form_host().raise_event(*reinterpret_cast<EventRecord*>(p1));
    case kBeginSuppressed: process_pending_messages(); raise_suppression(); return 0;
    case kEndSuppressed: process_pending_messages(); lower_suppression(); return 0;
    case kFileKind: return file_kind(reinterpret_cast<void*>(p1));
    case kRegisterFile: register_file(reinterpret_cast<void*>(p1), static_cast<int>(p2)); return 0;
    case kUnregisterFile: return unregister_file(reinterpret_cast<void*>(p1)) ? 1 : 0;
    case kProcessPending: process_pending_messages(); return 0;
    case kFreeArray: free_array(u32(p1), reinterpret_cast<void*>(p2)); return 0;
    case kAlloc:
      return reinterpret_cast<intptr_t>(p2 ? alloc_or_null(static_cast<size_t>(p1)) : alloc(static_cast<size_t>(p1)));
    default: return 0;  // services of facilities this program does not have
  }
}

}  // namespace rt
