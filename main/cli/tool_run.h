// The tool run for the console program's work on DTUs: on the windowless backend (on the
// real clock unless one is given), its program folder a private work folder, driven through
// the typed driver. `work` runs on the tool's UI thread once the main form is up; the program
// ends when it returns. One DTU, a production port and a job's checks all run it this way.
#pragma once

#include <functional>
#include <string>

#include "main/cli/dtu_driver.h"
#include "main/cli/tool_driver.h"
#include "platform/headless/headless_backend.h"

namespace cli {

struct ToolRun {
  std::string folder;                                       // the tool's program folder
  platform::headless::SerialOpener devices;                 // the serial devices it opens
  platform::headless::HeadlessBackend* backend = nullptr;   // none: a windowless one on the real clock
  std::function<void(const std::string& gbk)> on_status;    // each new status line text
  std::function<void(const std::string& gbk)> on_message;   // each message box (answered OK)
  std::function<void(ToolDriver&, DtuDriver&)> work;
};

void run_tool(const ToolRun& run);

// Any thread: runs `task` on the tool's UI thread at its next turn (a stop request); false
// when no tool runs.
bool post_to_tool(std::function<void()> task);

}  // namespace cli
