// The extended-UI support library (library number 3): one unit type, the IP edit box, in
// slot 7 of its nine type slots, and no commands.
#include "forms/extended_ui_library.h"

#include "dtu_forms_messages.h"
#include "forms/standard_types.h"
#include "runtime/helpers.h"

namespace forms {
namespace {

constexpr int kTypeSlots = 9;
rt::UnitTypeRecord g_types[kTypeSlots] = {};
[[maybe_unused]] rt::ServiceFn g_service = nullptr;

// The record lives with the other standard types; the slot holds a copy of it.
[[maybe_unused]] const bool g_types_filled = (g_types[kTypeIpEditBox - 1] = *ip_edit_box_type_record(), true);

intptr_t notify(int code, intptr_t param1, intptr_t) {
  if (code != rt::notify::kServiceFunction) return rt::notify::kNotHandled;
  g_service = reinterpret_cast<rt::ServiceFn>(param1);
  return 0;
}

const rt::LibraryDescriptor kExtendedUiLibrary = {
    0x01312D65u,
    "7E2B94C1D05A4F3896E1B2C7A4D3F058",
    {5, 0, 0x40, 3, 7, 3, 7},
    msg::text_at(msg::extended_ui_title),
    0,
    kTypeSlots,
    g_types,
    0,
    nullptr,
    notify,
};

}  // namespace

const rt::LibraryDescriptor& extended_ui_library() { return kExtendedUiLibrary; }

}  // namespace forms
