// A read-only view of what the tool has decided so far, for a program that drives the
// window (the console program) to act on instead of the texts the window shows. The
// handlers record into it as they decide; nothing in the tool reads it back, so it never
// changes what the window does.
#pragma once

#include <bitset>
#include <cstdint>
#include <optional>

#include "app/settings_table.h"

namespace app {

using SettingSet = std::bitset<kSettingCount>;  // by index_of(Key)

// The setting-mode handshake since the port was last opened.
enum class Handshake : uint8_t {
  Waiting,      // no boot banner yet
  BannerSeen,   // the banner came: the setting-mode request is due or awaits its answer
  Confirmed,    // the DTU answered "System enter setting mode"
  Unconfirmed,  // no answer in time; the DTU's next banner starts it over
};

enum class Operation : uint8_t { None, Connect, Read, Write, Reset, Save };

enum class Outcome : uint8_t {
  Running,     // started and waiting for the DTU
  Succeeded,
  Refused,     // a value was refused before it went out: by a field check before a write, by
               // the settings file's format before a save, or an emptied character time-out
               // found at its write step (which also drops the link)
  Unanswered,  // a command got no "OK" in time: the link was dropped
  Abandoned,   // the user disconnected or closed the window while it waited
  Failed,      // the port did not open; the settings file could not be written
};

// The most recent field check.
struct CheckResult {
  bool passed = false;
  std::optional<Key> setting;  // the field checked; none for the link's baud rate box
  uint32_t message = 0;        // the message a failure showed; 0 when it showed none
};

// The words for a failed check where words are needed (the console programs): the message
// the field showed, or for a field the window refuses empty without one, the setting's own
// words for that.
constexpr uint32_t refusal_message(const CheckResult& check) {
  if (check.message != 0 || !check.setting) return check.message;
  return setting(*check.setting).when_empty.message;
}

// The most recent connect, read, write, reset or save.
struct OperationResult {
  Operation operation = Operation::None;
  Outcome outcome = Outcome::Succeeded;
  std::optional<Key> step;  // a write's step that ran last (none when its checks refused it)
  uint32_t message = 0;     // the message it ended with, shown or (a check's) already shown; 0 none
  SettingSet listed;        // a read: the settings the listing gave values for
};

struct ToolState {
  bool connected = false;     // the tool holds the port open for the user
  bool setting_mode = false;  // the operation buttons are enabled: the DTU is in setting mode, idle
  Handshake handshake = Handshake::Waiting;
  CheckResult last_check;
  OperationResult last_operation;
};

ToolState tool_state();

}  // namespace app
