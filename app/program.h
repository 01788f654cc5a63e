// The program's start: initialisation, the globals, the end-of-program routine and the
// main form. The entry routine then runs the message loop.
#pragma once

#include "runtime/event.h"

namespace app {

void start_program();
// The entry routine the runtime calls: the whole life of the program.
int program_entry();
// The handler table the main form's template binds its events to.
const rt::CodeBase& code_base();

}  // namespace app
