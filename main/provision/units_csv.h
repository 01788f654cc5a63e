// The units of a production job as a CSV file: a header row of setting keys (any of ID IP PT
// DN AP TM UB HT OT RV1 RV2 SS1 SS2, in any letter case and order) and one row per unit.
// Fields are separated by commas; a field in double quotes may hold commas and doubled
// quotes. Lines end with LF or CR LF; blank lines are skipped; a UTF-8 byte-order mark at
// the start is ignored.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace provision {

struct UnitsCsv {
  std::vector<size_t> keys;  // the header's keys, as indices in the settings' file order
  struct Row {
    size_t line = 0;                  // where it starts in the file, from 1
    std::vector<std::string> values;  // one per header key (UTF-8, as written)
  };
  std::vector<Row> rows;
};

// "" when the text is a sound units file; otherwise what is wrong, naming the line: an
// unknown or repeated key, a row with fewer or more values than the header has keys, a
// quote left open, no header, no rows.
std::string parse_units_csv(std::string_view text, UnitsCsv& csv);

// One CSV field as this format writes it: quoted when it holds a comma, a quote, a line
// break or spaces at either end.
std::string csv_field(std::string_view value);

}  // namespace provision
