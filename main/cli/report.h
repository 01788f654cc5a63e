// What the console program prints for one DTU: its settings as KEY=VALUE lines or one JSON
// object on one line, and the tool's GBK texts in the terminal's encoding (UTF-8).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/json_text.h"

namespace cli {

// Exit statuses.
inline constexpr int kOk = 0, kUsage = 2, kPortNotOpened = 3, kCheckFailed = 4, kNoSettingMode = 5, kNoAnswer = 6,
                     kFailed = 1;

// How the work on one DTU ended.
struct Outcome {
  int status = kOk;
  std::string step = "done";  // where it ended: open, check, boot, read, ID ... SS2, reset, save, done
  std::string message;        // UTF-8: the window's message where it has one
  std::vector<std::string> values;  // the thirteen settings (UTF-8) once they were read
};

// GBK text as the terminal shows it; bytes that are no GBK text become U+FFFD.
std::string terminal_text(std::string_view gbk);

// One of the tool's messages (the offset of its text) as the terminal shows it; `otherwise`
// when the tool ended with none (0).
std::string tool_message(uint32_t message, const std::string& otherwise = {});

// "ID=...\n" ... "SS2=...\n"; control characters in a value are written as \xHH.
std::string key_value_lines(const std::vector<std::string>& values);

// {"port":...,"ok":true,"settings":{...}} after a read; otherwise
// {"port":...,"ok":...,"step":...,"message":...} (with the settings too when they were read).
std::string json_line(const std::string& port, const Outcome& outcome, bool read_command);

// {"ID":...,"SS2":...}: the settings given (UTF-8, in the file order) keyed by their names,
// as the --json lines, the journal and the job export write them.
std::string settings_json(const std::vector<std::string>& values);

using platform::json_string;

}  // namespace cli
