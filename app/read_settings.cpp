#include "app/read_settings.h"

#include <string_view>

#include "app/globals.h"
#include "app/link.h"
#include "app/settings_table.h"
#include "app/state_record.h"
#include "app_texts.h"

namespace app {
namespace {

constexpr int kListPollLimit = 40;
constexpr int32_t kListingLines = 14;  // line 0 and the thirteen settings

// The setting each listing line 1..13 carries, from the table.
struct ListingLines {
  Key at[kSettingCount + 1] = {};
  constexpr ListingLines() {
    for (const Setting& s : kSettings) at[s.listing_line] = s.key;
  }
};
constexpr ListingLines kLines;

}  // namespace

std::string field_text_from_listing(const Setting& s, const char* value) {
  const bool unset = std::string_view(value) == text(texts::unset_marker);
  switch (s.from_listing) {
    case FromListing::AsIs: break;
    case FromListing::UnsetEmpty:
      if (unset) return std::string();
      break;
    case FromListing::Number: return std::string(int_to_text(to_int(value)).view());
    case FromListing::UnsetEmptyElseNumber:
      return unset ? std::string() : std::string(int_to_text(to_int(value)).view());
  }
  return value;
}

SettingSet fill_fields_from_listing(const char* listing) {
  SettingSet filled;
  TextArray lines = split(listing, text(texts::crlf), kListingLines);
  for (uint32_t n = 1; n <= kSettingCount; ++n) {
    if (n >= lines.size()) break;  // a short listing: the rest keep their contents
    TextArray parts = split(lines.at(n), text(texts::value_separator), 2);
    if (parts.size() < 2) continue;  // no value after "= ": keep the field
    const Key key = kLines.at[n];
    const Setting& s = setting(key);
    write_text(s.unit, value_property(s.unit), field_text_from_listing(s, parts.at(1)).c_str());
    filled.set(index_of(key));
  }
  return filled;
}

void on_read_clicked() {
  set_operation_buttons(false);
  begin_operation(Operation::Read);
  const Exchange end = run_command(text(texts::cmd_list), text(texts::status_reading), kListPollLimit);
  if (end == Exchange::Unanswered) {
    end_operation(Outcome::Unanswered, texts::msg_read_failed);
    drop_link(text(texts::status_read_failed), BoxAt::BeforeDrop, texts::msg_read_failed);
  }
  if (end == Exchange::Abandoned) end_operation(Outcome::Abandoned);
  if (end != Exchange::Acknowledged) return;
  set_operation_buttons(true);
  HeapText listing = byte_array_text(globals().reply);
  record_listed(fill_fields_from_listing(listing.arg()));
  show_status(text(texts::status_read_ok));
  end_operation(Outcome::Succeeded, texts::msg_read_ok);
  show_message(texts::msg_read_ok);
}

}  // namespace app
