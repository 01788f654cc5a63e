// Reading all thirteen settings from the DTU with one "%LIST".
#pragma once

#include "app/tool_state.h"

namespace app {

void on_read_clicked();

// Fills the setting fields from a listing reply's text. Lines that are missing or carry no
// value after "= " leave their field as it is. Returns the settings it filled.
SettingSet fill_fields_from_listing(const char* listing);

}  // namespace app
