// The runtime error box and how it ends the program.
#include <gtest/gtest.h>

#include "runtime/core_services.h"
#include "runtime/helpers.h"
#include "tests/runtime/runtime_fixture.h"

namespace rt_test {
namespace {

int g_end_routine_runs = 0;
void count_end_routine() { ++g_end_routine_runs; }

class RuntimeErrorTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    g_end_routine_runs = 0;
    rt::startup_service(rt::startup_op::kRegisterEndRoutine, reinterpret_cast<intptr_t>(&count_end_routine), 0);
  }
  const platform::headless::MessageBoxRecord& only_box() {
    EXPECT_EQ(backend().message_boxes().size(), 1u);
    return backend().message_boxes().at(0);
  }
};

TEST_F(RuntimeErrorTest, CodedErrorShowsHeaderCodeAndMessageThenEndsWithoutTheEndRoutine) {
  EXPECT_EQ(exit_code_of([] { rt::helpers().raise_runtime_error(1); }), -1);
  const auto& box = only_box();
  EXPECT_EQ(box.text, gbk("运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n"));
  EXPECT_EQ(box.caption, gbk("错误"));
  EXPECT_EQ(box.style, platform::kMbIconError);
  EXPECT_EQ(g_end_routine_runs, 0);
  EXPECT_TRUE(rt::events_suppressed());  // no handler may run after the box
}

TEST_F(RuntimeErrorTest, EveryCodeHasItsMessageAndUnknownCodesShowOnlyTheNumber) {
  EXPECT_EQ(exit_code_of([] { rt::raise_runtime_error(9); }), -1);
  EXPECT_EQ(only_box().text,
            gbk("运行时出错!\r\n\r\n错误代码：9\r\n\r\n错误信息：“多项选择”命令的索引值参数小于零或超出了所提供参数表范围\r\n"));
  backend().clear_message_boxes();
  EXPECT_EQ(exit_code_of([] { rt::raise_runtime_error(12); }), -1);
  EXPECT_EQ(only_box().text, gbk("运行时出错!\r\n\r\n错误代码：12\r\n\r\n"));
}

TEST_F(RuntimeErrorTest, UncodedErrorShowsOnlyTheMessageAndAnEmptyOneOnlyTheHeader) {
  EXPECT_EQ(exit_code_of([] { rt::runtime_error(gbk("指定窗口或窗口组件不存在或尚未载入")); }), -1);
  EXPECT_EQ(only_box().text, gbk("运行时出错!\r\n\r\n错误信息：指定窗口或窗口组件不存在或尚未载入\r\n"));
  backend().clear_message_boxes();
  EXPECT_EQ(exit_code_of([] { rt::runtime_error(""); }), -1);
  EXPECT_EQ(only_box().text, gbk("运行时出错!\r\n\r\n"));
  EXPECT_EQ(g_end_routine_runs, 0);
}

TEST_F(RuntimeErrorTest, AnExitRequestWhileTheBoxIsOpenStillSkipsTheEndRoutine) {
  rt::startup_service(rt::startup_op::kInitialise, 0, 0);
  backend().set_message_box_answer([](const platform::headless::MessageBoxRecord&) {
    platform::backend().post(rt::helper_window(), rt::kExitRequestMessage, 3, 0);
    platform::backend().process_pending();  // the box keeps dispatching while open
    return platform::kIdOk;
  });
  EXPECT_EQ(exit_code_of([] { rt::raise_runtime_error(1); }), 3);
  EXPECT_EQ(g_end_routine_runs, 0);
}

using RuntimeErrorDeathTest = RuntimeErrorTest;

// Exit code -1: 255 to a POSIX parent, 0xFFFFFFFF (-1) to a Windows one.
TEST_F(RuntimeErrorDeathTest, TheProcessReallyEndsWithStatus255) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        backend().set_exit_throws(false);
        rt::raise_runtime_error(1);
      },
      [](int status) { return ::testing::ExitedWithCode(255)(status) || ::testing::ExitedWithCode(-1)(status); },
      "");
}

}  // namespace
}  // namespace rt_test
