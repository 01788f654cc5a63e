// text_length, find_text, trim_spaces, remove_spaces, split_text.
#include <cstring>
#include <limits>

#include "runtime/library/command_support.h"
#include "runtime/library/commands.h"
#include "runtime/library/gbk_text.h"

namespace rt {

void cmd_text_length(Value* result, int, Value* args) {
  cmd::result_int(result, static_cast<int32_t>(cmd::text_arg(args[0]).size()));
}

void cmd_find_text(Value* result, int, Value* args) {
  std::string_view haystack = cmd::text_arg(args[0]), needle = cmd::text_arg(args[1]);
  int64_t start = cmd::given(args[2]) ? int64_t{convert::to_int(args[2])} - 1 : 0;
  size_t from = start > 0 ? static_cast<size_t>(start) : 0;
  // Ignore case only for exactly 1: any other true value compares byte for byte.
  bool ignore_case = cmd::given(args[3]) && args[3].low == 1;
  int32_t found = -1;
  if (from < haystack.size()) {
    if (needle.empty()) {
      found = 1;
    } else {
      int64_t at = gbk::find(haystack, needle, from, ignore_case);
      found = at < 0 ? -1 : static_cast<int32_t>(at + 1);
    }
  }
  cmd::result_int(result, found);
}

void cmd_trim_spaces(Value* result, int, Value* args) {
  cmd::result_text(result, gbk::trim_blanks(cmd::text_arg(args[0])));
}

void cmd_remove_spaces(Value* result, int, Value* args) {
  cmd::result_text(result, gbk::remove_blanks(cmd::text_arg(args[0])));
}

namespace {

// A fresh one-dimensional array of fresh texts (empty parts are null elements).
uint8_t* text_array(const std::vector<std::string_view>& parts) {
  uint8_t* block = new_array(static_cast<uint32_t>(parts.size()), sizeof(char*));
  uint8_t* slot = array_elements(block);
  for (std::string_view part : parts) {
    char* text = new_text(part);
    std::memcpy(slot, &text, sizeof text);
    slot += sizeof text;
  }
  return block;
}

}  // namespace

void cmd_split_text(Value* result, int, Value* args) {
  std::string_view text = cmd::text_arg(args[0]);
  std::string_view delimiter = cmd::given(args[1]) ? cmd::text_arg(args[1]) : std::string_view(",");
  int32_t max_count = cmd::int_or(args[2], std::numeric_limits<int32_t>::max());
  std::vector<std::string_view> parts;
  if (!text.empty() && max_count > 0) {
    if (delimiter.empty())
      parts.push_back(text);
    else
      parts = gbk::split(text, delimiter, static_cast<size_t>(max_count));
  }
  cmd::result_pointer(result, text_array(parts));
}

}  // namespace rt
