#include "main/provision/units_csv.h"

#include "main/journal/values.h"

namespace provision {
namespace {

struct Record {
  size_t line = 0;
  std::vector<std::string> fields;
};

// Splits the text into records; "" or an error naming the line of an open quote.
std::string split_records(std::string_view text, std::vector<Record>& records) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  size_t line = 1;
  size_t i = 0;
  while (i < text.size()) {
    Record record;
    record.line = line;
    std::string field;
    bool any = false;  // the record has something, so a trailing empty field counts
    for (;;) {
      if (i < text.size() && text[i] == '"') {
        const size_t opened = line;
        ++i;
        for (;;) {
          if (i >= text.size()) return "line " + std::to_string(opened) + ": a quoted value is never closed";
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              field += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          if (text[i] == '\n') ++line;
          field += text[i++];
        }
        any = true;
      }
      // Unquoted text (or what follows a closing quote) up to the next comma or line end.
      while (i < text.size() && text[i] != ',' && text[i] != '\n') {
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] == '\n')) {
          ++i;
          continue;
        }
        field += text[i++];
        any = true;
      }
      record.fields.push_back(std::move(field));
      field.clear();
      if (i < text.size() && text[i] == ',') {
        ++i;
        any = true;
        continue;
      }
      break;
    }
    if (i < text.size() && text[i] == '\n') ++i;
    if (any) records.push_back(std::move(record));
    ++line;
  }
  return "";
}

std::string trimmed(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string parse_units_csv(std::string_view text, UnitsCsv& csv) {
  csv = {};
  std::vector<Record> records;
  std::string error = split_records(text, records);
  if (!error.empty()) return error;
  if (records.empty()) return "the file is empty: it needs a header row of keys and one row per unit";
  const Record& header = records.front();
  for (const std::string& name : header.fields) {
    const auto key = journal::value_index(trimmed(name));
    if (!key)
      return "line " + std::to_string(header.line) + ": unknown key \"" + name + "\" in the header (keys: " +
             std::string(journal::kKeyList) + ")";
    for (size_t k : csv.keys)
      if (k == *key) return "line " + std::to_string(header.line) + ": key " + std::string(journal::value_key(k)) + " is named twice";
    csv.keys.push_back(*key);
  }
  for (size_t r = 1; r < records.size(); ++r) {
    Record& record = records[r];
    if (record.fields.size() != csv.keys.size())
      return "line " + std::to_string(record.line) + " (row " + std::to_string(r) + "): " +
             std::to_string(record.fields.size()) + (record.fields.size() == 1 ? " value" : " values") +
             " where the header names " + std::to_string(csv.keys.size()) + " keys";
    csv.rows.push_back({record.line, std::move(record.fields)});
  }
  if (csv.rows.empty()) return "no units: the file has a header row but no row of values";
  return "";
}

std::string csv_field(std::string_view value) {
  const bool quote = value.find_first_of(",\"\r\n") != std::string_view::npos ||
                     (!value.empty() && (value.front() == ' ' || value.back() == ' '));
  if (!quote) return std::string(value);
  std::string out = "\"";
  for (char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace provision
