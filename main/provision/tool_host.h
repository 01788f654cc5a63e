// The tool run for a production command: on the windowless backend on the real clock, its
// program folder a private work folder (where it keeps its settings file), driven through
// the console program's typed driver. `work` runs on the tool's UI thread once the main form
// is up; the program ends when it returns.
#pragma once

#include <functional>
#include <string>

#include "main/cli/dtu_driver.h"
#include "main/cli/tool_driver.h"
#include "platform/headless/headless_backend.h"

namespace provision {

struct ToolRun {
  std::string folder;                             // the tool's program folder
  platform::headless::SerialOpener devices;       // the system's serial devices
  std::function<void(const std::string& gbk)> on_status;   // each new status line text
  std::function<void(const std::string& gbk)> on_message;  // each message box (answered OK)
  std::function<void(cli::ToolDriver&, cli::DtuDriver&)> work;
};

void run_tool(const ToolRun& run);

// Any thread: runs `task` on the tool's UI thread at its next turn (a stop request); false
// when no tool runs.
bool post_to_tool(std::function<void()> task);

}  // namespace provision
