// Start-up, the message loop and shutdown, driven through the helper table as form code
// drives them.
#include <atomic>
#include <chrono>
#include <thread>

#include "runtime/core_services.h"
#include "runtime/helpers.h"
#include "runtime/program.h"
#include "runtime/window_router.h"
#include "tests/runtime/runtime_fixture.h"
#include "tests/runtime/test_program.h"

namespace rt_test {
namespace {

constexpr uint32_t kMainForm = 0x52010001;

class LifecycleTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    use_test_program();
    rt::set_startup_record(&test_record());
  }
  void initialise() {
    rt::helpers().startup_service(rt::startup_op::kInitialise, 0, 0);
    rt::helpers().startup_service(rt::startup_op::kRegisterEndRoutine, reinterpret_cast<intptr_t>(&record_end_routine), 0);
  }
  // Dispatches on this (UI) thread until the process ends; another thread is about to post.
  int dispatch_until_exit() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    return exit_code_of([&] {
      while (std::chrono::steady_clock::now() < deadline) {
        backend().process_pending();
        std::this_thread::yield();
      }
    });
  }
};

TEST_F(LifecycleTest, InitialisationSetsUpTheProgramInOrder) {
  initialise();
  EXPECT_EQ(rt::program_directory(), "/opt/dtu");
  EXPECT_EQ(rt::program_file_name(), "dtu-setup");
  EXPECT_EQ(program_log().directories_set, std::vector<std::string>{"/opt/dtu"});
  EXPECT_STREQ(reinterpret_cast<const char*>(rt::runtime_service(rt::service::kProgramFileName, 0, 0)), "dtu-setup");
  EXPECT_EQ(rt::identification_value(), 0x1068Cu);
  ASSERT_NE(rt::helper_window(), 0u);
  EXPECT_EQ(backend().kind(rt::helper_window()), platform::WidgetKind::Hidden);
  EXPECT_FALSE(backend().visible(rt::helper_window()));
  EXPECT_TRUE(rt::in_constant_range(test_constants() + 15));
  EXPECT_FALSE(rt::in_constant_range(test_constants() + 16));
  // Library 1 got the service function; library 2 has no notify function; slot 3 is empty.
  ASSERT_EQ(program_log().notifications.size(), 1u);
  EXPECT_EQ(program_log().notifications[0].code, 1);
  EXPECT_EQ(program_log().notifications[0].param1, reinterpret_cast<intptr_t>(&rt::runtime_service));
  EXPECT_EQ(fake_host().calls, std::vector<std::string>{"load_templates 5"});
  EXPECT_EQ(fake_host().code_base_seen, test_record().code_base);
  EXPECT_TRUE(rt::on_ui_thread());
}

TEST_F(LifecycleTest, ProgramDirectoryEdgeCases) {
  EXPECT_EQ(rt::split_program_path("dtu-setup").directory, "");  // no separator
  EXPECT_EQ(rt::split_program_path("dtu-setup").file_name, "dtu-setup");
  program_log().program_path = "/dtu-setup";  // in the root directory
  program_log().set_directory_ok = false;     // a failure is not an error: the directory stays
  initialise();
  EXPECT_EQ(program_log().directories_set, std::vector<std::string>{"/"});
  EXPECT_EQ(rt::program_directory(), "");
  EXPECT_EQ(rt::program_file_name(), "dtu-setup");
}

TEST_F(LifecycleTest, UnreadableTemplatesAndMissingStartFormAreRuntimeErrors) {
  fake_host().templates_ok = false;
  EXPECT_EQ(exit_code_of([] { rt::startup_service(rt::startup_op::kInitialise, 0, 0); }), -1);
  EXPECT_EQ(backend().message_boxes().at(0).text, gbk("运行时出错!\r\n\r\n错误信息：载入窗口模板数据段出错!\r\n"));
  EXPECT_EQ(fake_host().calls.back(), "free_templates");  // a partial load is still released

  rt::reset_runtime_for_tests();
  fake_host().reset();
  use_test_program();
  rt::set_startup_record(&test_record());
  backend().clear_message_boxes();
  initialise();
  fake_host().form_ok = false;
  EXPECT_EQ(exit_code_of([] { rt::helpers().load_start_form(kMainForm); }), -1);
  EXPECT_EQ(backend().message_boxes().at(0).text, gbk("运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"));
  EXPECT_EQ(program_log().end_routine_runs, 0);
}

int g_file_closes = 0;
void close_test_file(void* file, int kind) {
  ++g_file_closes;
  program_log().events.push_back("close " + std::to_string(kind) + " " + static_cast<const char*>(file));
}

int run_whole_program() {
  rt::helpers().startup_service(rt::startup_op::kInitialise, 0, 0);
  rt::helpers().startup_service(rt::startup_op::kRegisterEndRoutine, reinterpret_cast<intptr_t>(&record_end_routine), 0);
  rt::helpers().load_start_form(kMainForm);
  rt::helpers().run_message_loop();
  return 0;
}

TEST_F(LifecycleTest, ClosingTheLastFormEndsWithZeroAfterAnOrderedShutdown) {
  static char file_name[] = "data.txt";
  rt::set_file_closer(&close_test_file);
  g_file_closes = 0;
  backend().schedule(100, [] {
    rt::register_file(file_name, 1);
    fake_host().alive = false;  // the form runtime's side of closing the last form window
    platform::backend().post_quit(0);
  });
  EXPECT_EQ(rt::run_program(test_record(), &run_whole_program), 0);
  EXPECT_EQ(backend().now(), 100u);
  EXPECT_EQ(program_log().end_routine_runs, 1);
  EXPECT_EQ(program_log().events,
            (std::vector<std::string>{"notify 1/1", "end routine", "notify 1/6", "close 1 data.txt"}));
  EXPECT_EQ(fake_host().calls.back(), "free_templates");
  EXPECT_FALSE(rt::in_constant_range(test_constants()));
  EXPECT_EQ(rt::helper_window(), 0u);
  EXPECT_EQ(rt::file_kind(file_name), -1);
  EXPECT_TRUE(rt::events_suppressed());

  rt::shutdown(0);  // a second shutdown changes nothing
  EXPECT_EQ(program_log().end_routine_runs, 1);
  EXPECT_EQ(g_file_closes, 1);
  EXPECT_EQ(program_log().events.size(), 4u);
}

TEST_F(LifecycleTest, LoopReturnsAtOnceWhenNoFormIsAlive) {
  initialise();
  fake_host().alive = false;  // the start form closed before the loop began
  rt::helpers().run_message_loop();  // would throw if it waited with nothing scheduled
  EXPECT_TRUE(rt::message_loop_started());
  EXPECT_EQ(backend().now(), 0u);
}

// Records the messages posted to one window.
struct PostedLog final : rt::WindowReceiver {
  std::vector<uint32_t> codes;
  void on_posted(uint32_t code, uintptr_t, intptr_t) override { codes.push_back(code); }
};

TEST_F(LifecycleTest, QuitPostedInsideANestedWaitEndsTheLoopOnlyAfterTheHandler) {
  initialise();
  rt::helpers().load_start_form(kMainForm);
  PostedLog posted;
  platform::Handle window = backend().create(platform::CreateParams{});
  rt::route_window(window, &posted);
  std::vector<std::string> order;
  backend().schedule(10, [&] {
    order.push_back("handler starts");
    fake_host().alive = false;
    platform::backend().post_quit(0);
    platform::backend().post(window, 1);
    rt::runtime_service(rt::service::kProcessPending, 0, 0);  // as delay does while it waits
    EXPECT_EQ(posted.codes, std::vector<uint32_t>{1});       // dispatched past the quit request
    EXPECT_TRUE(platform::backend().quit_requested());
    order.push_back("handler ends");
  });
  backend().schedule(50, [&] { order.push_back("too late"); });
  rt::helpers().run_message_loop();
  EXPECT_EQ(order, (std::vector<std::string>{"handler starts", "handler ends"}));
  EXPECT_TRUE(backend().quit_requested());
  rt::unroute_window(window);
}

TEST_F(LifecycleTest, ExitRequestedFromAWorkerShutsDownOnTheUiThread) {
  initialise();
  std::atomic<int> worker_exit{0};
  std::thread worker([&] {
    try {
      rt::helpers().exit_program(7);
    } catch (const platform::headless::ProcessExit& e) {
      worker_exit = e.code;  // only reached because exits throw in tests
    }
  });
  EXPECT_EQ(dispatch_until_exit(), 7);
  worker.join();
  EXPECT_EQ(worker_exit.load(), 7);
  EXPECT_EQ(program_log().end_routine_runs, 1);
  EXPECT_EQ(program_log().end_routine_thread, std::this_thread::get_id());
}

TEST_F(LifecycleTest, RuntimeErrorOnAWorkerIsShownOnTheUiThread) {
  initialise();
  std::atomic<int> worker_exit{0};
  std::thread worker([&] {
    try {
      rt::raise_runtime_error(1);
    } catch (const platform::headless::ProcessExit& e) {
      worker_exit = e.code;
    }
  });
  EXPECT_EQ(dispatch_until_exit(), -1);
  worker.join();
  EXPECT_EQ(worker_exit.load(), -1);
  EXPECT_EQ(program_log().end_routine_runs, 0);
  ASSERT_EQ(backend().message_boxes().size(), 1u);
  EXPECT_EQ(backend().message_boxes()[0].text,
            gbk("运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n"));
}

}  // namespace
}  // namespace rt_test
