// A small program for the runtime's start-up and shutdown tests: a start-up record with a
// constant area, two support libraries that record their notifications, and fake process
// services.
#pragma once

#include <string>
#include <thread>
#include <vector>

#include "runtime/library.h"
#include "runtime/runtime_app.h"

namespace rt_test {

struct Notification {
  int library;
  int code;
  intptr_t param1;
};

struct ProgramLog {
  std::vector<Notification> notifications;
  std::vector<std::string> directories_set;
  std::string program_path = "/opt/dtu/dtu-setup";
  bool set_directory_ok = true;
  int end_routine_runs = 0;
  std::thread::id end_routine_thread;
  std::vector<std::string> events;  // shared order of end routine, notifications, file closes
};

ProgramLog& program_log();

// The record: constant area of 16 bytes, templates of 5 bytes, libraries 1 and 2 (the second
// without a notify function) and a third slot left empty. Both libraries list one command,
// echo_command, which needs two argument records.
const rt::StartupRecord& test_record();
const char* test_constants();
extern const rt::UnitTypeRecord kTestTypes[3];  // slot 2 is empty

// Echoes what it was given: the argument count in the result's low half, the second
// argument's tag in the high half; remembers where the arguments were.
void echo_command(rt::Value* result, int arg_count, rt::Value* args);
extern const rt::Value* g_seen_args;

// Installs the fake process services and clears the log.
void use_test_program();
void record_end_routine();

}  // namespace rt_test
