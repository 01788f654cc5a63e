#include "tests/runtime/test_program.h"

#include <gtest/gtest.h>

namespace rt_test {
namespace {

alignas(8) const char kConstants[16] = "constant\0area";
const uint8_t kTemplates[5] = {1, 2, 3, 4, 5};
const int kCodeBase = 0;

intptr_t notify_first(int code, intptr_t p1, intptr_t) {
  program_log().notifications.push_back({1, code, p1});
  program_log().events.push_back("notify 1/" + std::to_string(code));
  return code == 1 || code == 6 ? 0 : -1;
}

const rt::CommandRow kCommands[] = {{0, &echo_command, 2}};
const rt::LibraryDescriptor kFirst{0x01312D65, "first", {}, "first", 0, 3, kTestTypes, 1, kCommands, &notify_first};
const rt::LibraryDescriptor kSecond{0x01312D65, "second", {}, "second", 0, 0, nullptr, 1, kCommands, nullptr};
const rt::LibraryDescriptor* const kLibraries[3] = {&kFirst, &kSecond, nullptr};

const rt::StartupRecord kRecord{3,         0, 0x1068B, &kCodeBase, reinterpret_cast<const uint8_t*>(kConstants),
                                16,        kTemplates, 5, 3, kLibraries, 0};

std::string fake_program_path() { return program_log().program_path; }
bool fake_set_directory(const std::string& dir) {
  program_log().directories_set.push_back(dir);
  return program_log().set_directory_ok;
}

}  // namespace

const rt::Value* g_seen_args = nullptr;
void echo_command(rt::Value* result, int arg_count, rt::Value* args) {
  g_seen_args = args;
  EXPECT_EQ(result->tag, 0u);  // a zeroed result record
  EXPECT_EQ(result->low | result->high, 0u);
  result->low = static_cast<uint32_t>(arg_count);
  result->high = args[1].tag;  // an optional argument not given arrives with tag 0
}

const rt::UnitTypeRecord kTestTypes[3] = {
    {"A", "TypeA", "", 0, 0, 0, 0, nullptr, nullptr},
    {nullptr, nullptr, nullptr, 0, 0, 0, 0, nullptr, nullptr},
    {"C", "TypeC", "", 0, 0, 0, 0, nullptr, nullptr},
};

ProgramLog& program_log() {
  static ProgramLog log;
  return log;
}

const rt::StartupRecord& test_record() { return kRecord; }
const char* test_constants() { return kConstants; }

void use_test_program() {
  program_log() = ProgramLog();
  rt::set_process_services({&fake_program_path, &fake_set_directory});
}

void record_end_routine() {
  ++program_log().end_routine_runs;
  program_log().end_routine_thread = std::this_thread::get_id();
  program_log().events.push_back("end routine");
}

}  // namespace rt_test
