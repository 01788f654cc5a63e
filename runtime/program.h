// Running a program: the composing program's main hands the runtime the program's start-up
// record and entry routine.
#pragma once

#include "runtime/library.h"

namespace rt {

// Runs a program the way the platform starts it: initialise, call the entry routine, shut
// down with code 0 once the loop has ended. Returns the process exit code.
int run_program(const StartupRecord& record, int (*entry)());

// The record in use once program initialisation (start-up service 6) has begun.
const StartupRecord& startup_record();
void set_startup_record(const StartupRecord* record);

}  // namespace rt
