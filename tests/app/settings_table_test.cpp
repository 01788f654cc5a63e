// The table of the thirteen settings: the order check that guards it at compile time, and
// what each row says against the formats' own spelling.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "app/runtime_calls.h"
#include "app/settings_table.h"

namespace {

using app::Key;
using app::kSettings;

// Any two rows swapped, a row's listing line exchanged with another's, or two rows sharing
// a field: the check the build runs refuses the table.
TEST(SettingsTable, TheOrderCheckRefusesEverySwapOfTwoRows) {
  EXPECT_TRUE(app::settings_table_sound(kSettings));
  for (size_t a = 0; a < app::kSettingCount; ++a) {
    for (size_t b = a + 1; b < app::kSettingCount; ++b) {
      auto rows = kSettings;
      std::swap(rows[a], rows[b]);
      EXPECT_FALSE(app::settings_table_sound(rows)) << kSettings[a].name << " and " << kSettings[b].name;
      rows = kSettings;
      std::swap(rows[a].listing_line, rows[b].listing_line);
      EXPECT_FALSE(app::settings_table_sound(rows)) << "listing lines of " << kSettings[a].name << " and "
                                                    << kSettings[b].name;
      rows = kSettings;
      rows[b].unit = rows[a].unit;
      EXPECT_FALSE(app::settings_table_sound(rows)) << kSettings[b].name << " in " << kSettings[a].name << "'s field";
    }
  }
  auto unchecked = kSettings;
  unchecked[app::index_of(Key::PT)].check = app::Check::None;  // a message without its check
  EXPECT_FALSE(app::settings_table_sound(unchecked));
  // A field refused empty needs words for the console programs, and only such a field may
  // stop a write when found empty.
  auto wordless = kSettings;
  wordless[app::index_of(Key::OT)].when_empty.message = 0;
  EXPECT_FALSE(app::settings_table_sound(wordless));
  auto stops = kSettings;
  stops[app::index_of(Key::PT)].when_empty.stops_write = true;
  EXPECT_FALSE(app::settings_table_sound(stops));
}

// The listing puts OT on line 8 and HT on line 9 while the file and the write put HT first.
TEST(SettingsTable, RowsFollowTheFileOrderAndTheListingItsOwn) {
  std::string file_order, listing_order[app::kSettingCount + 1];
  for (const app::Setting& s : kSettings) {
    file_order += (file_order.empty() ? "" : " ") + std::string(s.name);
    listing_order[s.listing_line] = s.name;
    EXPECT_EQ(&app::setting(s.key), &s);
  }
  EXPECT_EQ(file_order, "ID IP PT DN AP TM UB HT OT RV1 RV2 SS1 SS2");
  EXPECT_EQ(listing_order[8], "OT");
  EXPECT_EQ(listing_order[9], "HT");
}

TEST(SettingsTable, EachSetCommandNamesItsOwnKey) {
  for (const app::Setting& s : kSettings)
    EXPECT_EQ(std::string(app::text(s.write.prefix)), "%" + std::string(s.name) + "=") << s.name;
}

TEST(SettingsTable, KeysAreFoundInAnyLetterCaseAndNothingElseIs) {
  EXPECT_EQ(app::find_setting("pt"), Key::PT);
  EXPECT_EQ(app::find_setting("Rv2"), Key::RV2);
  EXPECT_EQ(app::find_setting("SS2"), Key::SS2);
  for (const char* unknown : {"", "RV", "RV12", "P", "PTX", "%PT=", "I D"})
    EXPECT_FALSE(app::find_setting(unknown)) << unknown;
  static_assert(app::find_setting("ot") == Key::OT);
}

}  // namespace
