#include "app/read_settings.h"

#include <string_view>

#include "app/globals.h"
#include "app/link.h"
#include "app_texts.h"

namespace app {
namespace {

constexpr int kListPollLimit = 40;
constexpr int32_t kListingLines = 14;  // line 0 and the thirteen settings

enum class Rule { AsIs, UnsetEmpty, Number, UnsetEmptyElseNumber };

struct ListingLine {
  UnitId unit;
  Rule rule;
};

// Listing lines 1..13 in the DTU's order.
constexpr ListingLine kListing[13] = {
    {unit::kDeviceId, Rule::UnsetEmpty},         {unit::kServerIp, Rule::AsIs},
    {unit::kServerPort, Rule::UnsetEmptyElseNumber}, {unit::kDomain, Rule::UnsetEmpty},
    {unit::kApn, Rule::UnsetEmpty},              {unit::kTransferMode, Rule::AsIs},
    {unit::kWorkBaud, Rule::AsIs},               {unit::kCharTimeout, Rule::Number},
    {unit::kHeartbeat, Rule::Number},            {unit::kRing1, Rule::UnsetEmpty},
    {unit::kRing2, Rule::UnsetEmpty},            {unit::kSms1, Rule::UnsetEmpty},
    {unit::kSms2, Rule::UnsetEmpty},
};

void put_value(const ListingLine& line, const char* value) {
  const bool unset = std::string_view(value) == text(texts::unset_marker);
  const int index = value_property(line.unit);
  switch (line.rule) {
    case Rule::AsIs:
      write_text(line.unit, index, value);
      break;
    case Rule::UnsetEmpty:
      write_text(line.unit, index, unset ? text(texts::empty) : value);
      break;
    case Rule::Number:
      write_text(line.unit, index, int_to_text(to_int(value)).arg());
      break;
    case Rule::UnsetEmptyElseNumber:
      write_text(line.unit, index, unset ? text(texts::empty) : int_to_text(to_int(value)).arg());
      break;
  }
}

}  // namespace

void fill_fields_from_listing(const char* listing) {
  TextArray lines = split(listing, text(texts::crlf), kListingLines);
  for (uint32_t n = 1; n <= 13; ++n) {
    if (n >= lines.size()) break;  // a short listing: the rest keep their contents
    TextArray parts = split(lines.at(n), text(texts::value_separator), 2);
    if (parts.size() < 2) continue;  // no value after "= ": keep the field
    put_value(kListing[n - 1], parts.at(1));
  }
}

void on_read_clicked() {
  set_operation_buttons(false);
  const Exchange end = run_command(text(texts::cmd_list), text(texts::status_reading), kListPollLimit);
  if (end == Exchange::Unanswered) drop_link(text(texts::status_read_failed), BoxAt::BeforeDrop, texts::msg_read_failed);
  if (end != Exchange::Acknowledged) return;
  set_operation_buttons(true);
  HeapText listing = byte_array_text(globals().reply);
  fill_fields_from_listing(listing.arg());
  show_status(text(texts::status_read_ok));
  show_message(texts::msg_read_ok);
}

}  // namespace app
