// The core library's standard unit types, as the form runtime defines them: the form window,
// EditBox, GroupBox, Label, Button and ComboBox. The library that assembles the core type
// table places each record at its type number's slot.
#pragma once

#include "runtime/library.h"

namespace forms {

// Type numbers of the standard types within the core library.
inline constexpr int kTypeWindow = 1, kTypeEditBox = 5, kTypeGroupBox = 9, kTypeLabel = 10, kTypeButton = 11,
                     kTypeComboBox = 14;
// IPEditBox's type number within the extended-UI library.
inline constexpr int kTypeIpEditBox = 7;

// The type record for a core-library type number above, or null for any other number.
const rt::UnitTypeRecord* standard_type_record(int type_number);

// The IPEditBox type record (slot 7 of the extended-UI library).
const rt::UnitTypeRecord* ip_edit_box_type_record();

}  // namespace forms
