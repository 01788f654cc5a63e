// Reading all thirteen settings from the DTU with one "%LIST".
#pragma once

#include <string>

#include "app/settings_table.h"
#include "app/tool_state.h"

namespace app {

void on_read_clicked();

// Fills the setting fields from a listing reply's text. Lines that are missing or carry no
// value after "= " leave their field as it is. Returns the settings it filled.
SettingSet fill_fields_from_listing(const char* listing);

// The text a setting's field takes from the value on its listing line, by the setting's
// rule: the unset marker "-----" as the empty text where the rule says so, a number through
// to_int and back.
std::string field_text_from_listing(const Setting& s, const char* value);

}  // namespace app
