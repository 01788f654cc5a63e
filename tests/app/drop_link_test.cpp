// Going back to "not connected": what the window shows while each path's message box is
// open and once it is done.
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
    be().clear_message_boxes();
  }
  // The message box shown while the window still shows the link, the port open.
  static Scene linked_box(const char* status, const char* message) {
    return {"断开连接", 1, status, true, true, message};
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
  be().schedule(be().now() + 900, [this] { set_field(unit::kCharTimeout, ""); });
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
