// What every program of the tool composes: the window on Linux, the window on Windows and
// the console program all run the same application on the same layers. A program's main
// chooses its backend, registers the layers and runs the tool's start-up record.
#pragma once

#include "runtime/library.h"

namespace tool {

// Registers what the layers need of each other (the form runtime as the runtime core's
// form host). Call once, after the backend is chosen and before the program runs.
void register_layers();

// The tool's start-up record: the application's handler table and texts, the main form's
// template, and the three support libraries in library-number order.
const rt::StartupRecord& startup_record();

// Registers the layers and runs the tool on the chosen backend, its settings file in the
// folder enter_settings_folder chooses; the process exit code.
int run();

}  // namespace tool
