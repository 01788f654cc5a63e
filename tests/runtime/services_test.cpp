// The call helpers and the runtime service function as support libraries use them.
#include "runtime/core.h"
#include "runtime/helpers.h"
#include "runtime/library.h"
#include "runtime/program.h"
#include "tests/runtime/runtime_fixture.h"
#include "tests/runtime/test_program.h"

namespace rt_test {
namespace {

class ServicesTest : public RuntimeTest {};

// Echoes what it was given: the result record it received, the count and both arguments.
const rt::Value* g_seen_args = nullptr;
void echo_command(rt::Value* result, int arg_count, rt::Value* args) {
  g_seen_args = args;
  EXPECT_EQ(result->tag, 0u);  // a zeroed result record
  EXPECT_EQ(result->low | result->high, 0u);
  result->low = static_cast<uint32_t>(arg_count);
  result->high = args[1].tag;  // an optional argument not given arrives with tag 0
}

TEST_F(ServicesTest, CallHelpersHandTheCallersRecordsInPlaceAndReturnTheResult) {
  rt::Value args[2];
  args[0].set_int(5);
  for (auto call : {0, 1}) {
    g_seen_args = nullptr;
    rt::Value r = call == 0 ? rt::helpers().call_core_command(&echo_command, 2, args)
                            : rt::helpers().call_library_command(&echo_command, 2, args, 1);
    EXPECT_EQ(g_seen_args, args);
    EXPECT_EQ(r.low, 2u);
    EXPECT_EQ(r.high, 0u);
    EXPECT_EQ(r.tag, 0u);
    EXPECT_EQ(args[0].as_int(), 5);
  }
}

TEST_F(ServicesTest, TypeRecordsAreFoundByLibraryAndTypeNumber) {
  EXPECT_EQ(rt::type_record(0x00010001), nullptr);  // no program record yet
  rt::set_startup_record(&test_record());
  EXPECT_EQ(rt::type_record(0x00010001), &kTestTypes[0]);
  EXPECT_EQ(rt::runtime_service(rt::service::kTypeRecord, 0x00010003, 0), reinterpret_cast<intptr_t>(&kTestTypes[2]));
  for (uint32_t missing : {0x00010002u /* empty slot */, 0x00010004u /* beyond the table */, 0x00010000u,
                           0x00020001u /* library without types */, 0x00030001u /* empty library slot */,
                           0x00040001u /* beyond the library list */, 0u})
    EXPECT_EQ(rt::type_record(missing), nullptr) << std::hex << missing;
}

}  // namespace
}  // namespace rt_test
