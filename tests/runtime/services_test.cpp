// The call helpers and the runtime service function as support libraries use them.
#include <functional>
#include <string>
#include <utility>

#include "runtime/core_services.h"
#include "runtime/helpers.h"
#include "runtime/library.h"
#include "runtime/program.h"
#include "tests/runtime/runtime_fixture.h"
#include "tests/runtime/test_program.h"

namespace rt_test {
namespace {

class ServicesTest : public RuntimeTest {
 protected:
  void run_test_program() {
    use_test_program();
    rt::set_startup_record(&test_record());
    rt::helpers().startup_service(rt::startup_op::kInitialise, 0, 0);
  }
};

void other_command(rt::Value*, int, rt::Value*) { ADD_FAILURE() << "an unlisted command ran"; }

TEST_F(ServicesTest, CallHelpersHandTheCallersRecordsInPlaceAndReturnTheResult) {
  run_test_program();
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

// A command reads its declared arguments by position: fewer records than its row asks for,
// or a function its library does not list, ends the program before the command runs.
TEST_F(ServicesTest, CallsWithTooFewRecordsOrUnlistedCommandsAreRuntimeErrors) {
  run_test_program();
  EXPECT_EQ(rt::library_command(0, 0), &echo_command);
  EXPECT_EQ(rt::library_command(0, 1), nullptr);
  EXPECT_EQ(rt::library_command(2, 0), nullptr);
  rt::Value args[2];
  const std::string too_few = gbk("调用库命令时提供的参数个数不足"), unknown = gbk("未找到所调用的库命令");
  const std::pair<std::function<void()>, std::string> misuses[] = {
      {[&] { rt::helpers().call_core_command(&echo_command, 1, args); }, too_few},
      {[&] { rt::helpers().call_library_command(&echo_command, 0, args, 1); }, too_few},
      {[&] { rt::helpers().call_core_command(&other_command, 2, args); }, unknown},
      {[&] { rt::helpers().call_library_command(&echo_command, 2, args, 2); }, unknown},  // no such library
  };
  for (const auto& [misuse, message] : misuses) {
    rt::reset_runtime_for_tests();
    run_test_program();
    g_seen_args = nullptr;
    EXPECT_EQ(exit_code_of(misuse), -1);
    EXPECT_EQ(g_seen_args, nullptr);
    EXPECT_NE(backend().message_boxes().back().text.find(message), std::string::npos) << message;
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
