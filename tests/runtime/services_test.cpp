// The call helpers and the runtime service function as support libraries use them.
#include <cstring>

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

TEST_F(ServicesTest, PropertyAccessGoesToTheFormRuntime) {
  EXPECT_EQ(rt::helpers().read_property(0x52010001, 0x16010000, 8, -1), (uint64_t{0x52010001} << 32) | 0x16010008);
  rt::helpers().write_property(0x52010001, 0x16010000, 9, -1, 42, 0);
  EXPECT_EQ(fake_host().calls, std::vector<std::string>{"write 9=42"});
  EXPECT_EQ(rt::runtime_service(rt::service::kUnitWindowStrict, 1, 77), 77);
  EXPECT_EQ(rt::runtime_service(rt::service::kFormRegistry, 0, 0), reinterpret_cast<intptr_t>(&rt::form_host()));
  rt::EventRecord event;
  event.event_index = -8;
  EXPECT_EQ(rt::runtime_service(rt::service::kRaiseEvent, reinterpret_cast<intptr_t>(&event), 0), -80);
  rt::runtime_service(rt::service::kUnitDestroyed, 1, 5);
  EXPECT_EQ(fake_host().calls.back(), "destroyed 5");
}

TEST_F(ServicesTest, SuppressionNestsAndNeverGoesBelowZero) {
  rt::runtime_service(rt::service::kBeginSuppressed, 0, 0);
  rt::runtime_service(rt::service::kBeginSuppressed, 0, 0);
  rt::runtime_service(rt::service::kEndSuppressed, 0, 0);
  EXPECT_TRUE(rt::events_suppressed());
  rt::runtime_service(rt::service::kEndSuppressed, 0, 0);
  rt::runtime_service(rt::service::kEndSuppressed, 0, 0);
  EXPECT_FALSE(rt::events_suppressed());
  rt::raise_suppression();
  EXPECT_TRUE(rt::events_suppressed());
}

TEST_F(ServicesTest, FileRegistryKeepsEachObjectOnce) {
  int a = 0, b = 0;
  auto p = [](int& x) { return reinterpret_cast<intptr_t>(&x); };
  EXPECT_EQ(rt::runtime_service(rt::service::kFileKind, p(a), 0), -1);
  rt::runtime_service(rt::service::kRegisterFile, p(a), 1);
  rt::runtime_service(rt::service::kRegisterFile, p(a), 2);  // already there: unchanged
  rt::runtime_service(rt::service::kRegisterFile, p(b), 1);
  EXPECT_EQ(rt::runtime_service(rt::service::kFileKind, p(a), 0), 1);
  EXPECT_EQ(rt::runtime_service(rt::service::kUnregisterFile, p(a), 0), 1);
  EXPECT_EQ(rt::runtime_service(rt::service::kUnregisterFile, p(a), 0), 0);
  EXPECT_EQ(rt::file_kind(&b), 1);
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

TEST_F(ServicesTest, AllocationArrayAndIconServices) {
  auto* p = reinterpret_cast<char*>(rt::runtime_service(rt::service::kAlloc, 16, 0));
  ASSERT_NE(p, nullptr);
  rt::free(p);
  uint8_t* a = rt::new_array(2, sizeof(void*));
  char* texts[2] = {rt::new_text("x"), rt::new_text("y")};
  std::memcpy(rt::array_elements(a), texts, sizeof texts);
  rt::runtime_service(rt::service::kFreeArray, rt::kBinary, reinterpret_cast<intptr_t>(a));  // frees all three
  intptr_t large = -1, small = -1;
  rt::runtime_service(rt::service::kProgramIcons, reinterpret_cast<intptr_t>(&large), reinterpret_cast<intptr_t>(&small));
  EXPECT_EQ(large, 0);
  EXPECT_EQ(small, 0);
  EXPECT_EQ(rt::runtime_service(2040, 1, 2), 0);  // services of facilities the program lacks
}

}  // namespace
}  // namespace rt_test
