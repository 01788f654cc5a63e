// Going back to "not connected": what the window shows while each path's message box is
// open and once it is done, and a disconnect that lands while an operation is finishing.
#include "tests/app/session.h"

using namespace app;
using app_test::Scene;
using app_test::Session;

namespace {

const Scene kNotConnected{"连接设备", 0, "设备未连接........", true, false, ""};

class DropLink : public Session {
 protected:
  void SetUp() override {
    Session::SetUp();
    start();
    set_field(unit::kWorkBaud, "9600");  // the template leaves it empty, which no write accepts
    ASSERT_TRUE(connect_and_enter_setting_mode());
    record_scenes_at_boxes();
    backend().clear_message_boxes();
  }
  // The message box shown while the window still shows the link, the port open.
  static Scene linked_box(const char* status, const char* message) {
    return {"断开连接", 1, status, true, true, message};
  }
  // The user clicks disconnect as soon as the traffic monitor shows the `oks`-th "OK" from
  // now on: its burst has closed, but the operation's next poll has not looked at it yet.
  void disconnect_at_ok(size_t oks) {
    const size_t from = monitor().size();
    when(
        [this, from, oks] {
          const std::string shown = monitor().substr(from);
          size_t count = 0;
          for (size_t at = shown.find("OK"); at != std::string::npos; at = shown.find("OK", at + 2)) ++count;
          return count >= oks;
        },
        [this] { click(unit::kConnectButton); });
  }
};

}  // namespace

TEST_F(DropLink, UserDisconnectShowsNoBox) {
  click(unit::kConnectButton);
  EXPECT_TRUE(box_scenes_.empty());
  EXPECT_EQ(scene(), kNotConnected);
}

TEST_F(DropLink, FailedReadShowsItsBoxBeforeTheDrop) {
  dtu().add_fault("no-answer=LIST");
  click(unit::kReadButton);
  EXPECT_EQ(box_scenes_, std::vector<Scene>{linked_box("读出模块设置值........", "读出设置失败！！")});
  EXPECT_EQ(scene(), (Scene{"连接设备", 0, "读出模块设置值失败........", true, false, ""}));
}

TEST_F(DropLink, FailedWriteShowsTheStepsBoxBeforeTheDrop) {
  dtu().add_fault("no-answer=PT");
  click(unit::kWriteButton);
  EXPECT_EQ(box_scenes_, std::vector<Scene>{linked_box("服务器端口设置........", "服务器端口设置失败！！")});
  EXPECT_EQ(scene(), kNotConnected);

  // The character time-out emptied during the write: its box comes before its step is sent.
  dtu().configure([](dtusim::Config& c) { c.faults = {}; });
  ASSERT_TRUE(connect_and_enter_setting_mode());
  box_scenes_.clear();
  backend().schedule(backend().now() + 900, [this] { set_field(unit::kCharTimeout, ""); });
  click(unit::kWriteButton);
  EXPECT_EQ(box_scenes_, std::vector<Scene>{linked_box("心跳间隔设置........", "字符超时时长设置不可为空！")});
  EXPECT_EQ(scene(), kNotConnected);
}

TEST_F(DropLink, FailedResetShowsItsBoxAfterTheDropBeforeTheStatusChanges) {
  dtu().add_fault("no-answer=RST");
  click(unit::kResetButton);
  EXPECT_EQ(box_scenes_, (std::vector<Scene>{{"连接设备", 0, "恢复出厂设置........", true, false, "设备未连接！！"}}));
  EXPECT_EQ(scene(), kNotConnected);
}

TEST_F(DropLink, DisconnectAsAnOperationFinishesClaimsNothing) {
  struct Case {
    const char* name;
    UnitId button;
    size_t oks;  // the "OK" after which the user disconnects
    size_t commands;  // sent by the operation
  };
  const Case cases[] = {
      {"read", unit::kReadButton, 1, 1},
      {"write, last step", unit::kWriteButton, 13, 13},
      {"write, first step", unit::kWriteButton, 1, 1},
      {"reset", unit::kResetButton, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    set_field(unit::kDeviceId, "KEEP");  // neither the listing nor the factory values may land
    const size_t before = dtu().commands().size();
    disconnect_at_ok(c.oks);
    click(c.button);
    backend().run_for(10000);
    EXPECT_EQ(scene(), kNotConnected);
    EXPECT_TRUE(messages().empty()) << last_message();
    EXPECT_EQ(value(unit::kDeviceId), "KEEP");
    EXPECT_EQ(dtu().commands().size() - before, c.commands);

    backend().clear_message_boxes();
    ASSERT_TRUE(connect_and_enter_setting_mode());
  }
}
