// The program's start: initialisation, the globals, the end-of-program routine and the
// main form. The entry routine then runs the message loop.
#pragma once

namespace app {

void start_program();

}  // namespace app
