// The program the runtime runs: its start-up record and its entry routine, both defined by
// the application. The runtime knows them only by these declarations.
#pragma once

#include "runtime/library.h"

namespace rt {

extern const StartupRecord kProgramStartupRecord;
int program_entry();

// Runs a program the way the platform starts it: initialise, call the entry routine, shut
// down with code 0 once the loop has ended. Returns the process exit code.
int run_program(const StartupRecord& record, int (*entry)());

// The record in use once program initialisation (start-up service 6) has begun.
const StartupRecord& startup_record();
void set_startup_record(const StartupRecord* record);

}  // namespace rt
