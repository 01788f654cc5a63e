// Field checks on focus loss and before a write, factory reset, and saving the settings file.
#include <filesystem>

#include "tests/app/session.h"

using namespace app;
using app_test::gbk;
using app_test::Session;

namespace {

class Checks : public Session {
 protected:
  void SetUp() override {
    Session::SetUp();
    start();
  }
  // Leaves `u` holding `text` by moving the focus on, as a user tabbing away would.
  void leave(UnitId u, const std::string& text) {
    backend().user_focus(window(u));
    set_field(u, text);
    backend().user_focus(window(unit::kMonitor));
  }
  bool focused(UnitId u) { return backend().focus() == window(u); }
};

class Reset : public Session {
 protected:
  void SetUp() override {
    Session::SetUp();
    start();
    ASSERT_TRUE(connect_and_enter_setting_mode());
  }
};

class Save : public Session {};

}  // namespace

TEST_F(Checks, BadValueShowsItsMessageAndTakesTheFocusBack) {
  struct Case {
    UnitId unit;
    std::string text;
    const char* message;  // null: passes
  };
  const Case cases[] = {
      {unit::kDeviceId, " 123456789012345 ", nullptr},
      {unit::kDeviceId, "1234567890123456", "设备ID不可大于 15 个字符！！"},
      {unit::kDeviceId, gbk("八个汉字八个汉字"), "设备ID不可大于 15 个字符！！"},
      {unit::kServerPort, "65535", nullptr},
      {unit::kServerPort, "65536", "服务器端口设置值不合法！！"},
      {unit::kServerPort, "0", "服务器端口设置值不合法！！"},
      {unit::kServerPort, "-----", nullptr},
      {unit::kServerPort, "80ab", nullptr},
      {unit::kWorkBaud, "x9600", nullptr},
      {unit::kWorkBaud, "3000", nullptr},
      {unit::kWorkBaud, "", "工作波特率设置不合法！！"},
      {unit::kHeartbeat, "5000", nullptr},
      {unit::kHeartbeat, "-3", nullptr},
      {unit::kHeartbeat, "5001", "心跳间隔设置值不合法！！"},
      {unit::kCharTimeout, "50", nullptr},
      {unit::kCharTimeout, "1001", "字符超长设置值不合法！！"},
      {unit::kCharTimeout, "abc", "字符超长设置值不合法！！"},
      {unit::kRing1, "1234567890123", nullptr},
      {unit::kRing1, "12345678901234", "振铃唤醒号码 1 不合法！！"},
      {unit::kRing2, "   ", "振铃唤醒号码 2 不合法！！"},
      {unit::kSms1, "-----", nullptr},
      {unit::kSms2, "12345678901234", "短信控制号码 2 不合法！！"},
      {unit::kLinkBaudBox, "9600", nullptr},
      {unit::kLinkBaudBox, "9600 ", "波特率设置不合法！！"},
      {unit::kLinkBaudBox, "3000", "波特率设置不合法！！"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    backend().clear_message_boxes();
    leave(c.unit, c.text);
    if (c.message) {
      EXPECT_EQ(last_message(), c.message);
      EXPECT_TRUE(focused(c.unit)) << "the focus returns to the field";
      const bool baud = c.unit.id == unit::kWorkBaud.id || c.unit.id == unit::kLinkBaudBox.id;
      set_field(c.unit, baud ? "9600" : c.unit.id == unit::kCharTimeout.id ? "100" : "1");
      backend().user_focus(window(unit::kMonitor));
    } else {
      EXPECT_TRUE(messages().empty());
      EXPECT_TRUE(focused(unit::kMonitor));
    }
  }
}

TEST_F(Checks, EmptyIntervalsFailWithoutAMessage) {
  leave(unit::kHeartbeat, "");
  EXPECT_TRUE(messages().empty());
  leave(unit::kCharTimeout, "");
  EXPECT_TRUE(messages().empty());
}

TEST_F(Checks, WriteSweepStopsAtTheFirstBadFieldAndSendsNothing) {
  set_field(unit::kWorkBaud, "9600");
  ASSERT_TRUE(connect_and_enter_setting_mode());
  size_t before = dtu().commands().size();
  set_field(unit::kServerPort, "70000");
  set_field(unit::kSms1, "123456789012345");
  click(unit::kWriteButton);
  EXPECT_EQ(messages(), std::vector<std::string>{"服务器端口设置值不合法！！"});
  EXPECT_EQ(dtu().commands().size(), before);
  EXPECT_TRUE(focused(unit::kServerPort));
  EXPECT_TRUE(operations_enabled()) << "a failed check changes no button";

  set_field(unit::kServerPort, "80");
  set_field(unit::kSms1, "1");
  set_field(unit::kHeartbeat, "");
  backend().clear_message_boxes();
  click(unit::kWriteButton);
  EXPECT_TRUE(messages().empty()) << "an empty heartbeat ends the write without a word";
  EXPECT_EQ(dtu().commands().size(), before);
}

TEST_F(Reset, SlowResetSucceedsAndShowsTheFactoryValues) {
  dtu().add_fault("slow-reset");  // answered after 19 s
  set_field(unit::kDeviceId, "X");
  click(unit::kResetButton);
  EXPECT_EQ(last_message(), "恢复出厂设置成功！！");
  EXPECT_EQ(status(), gbk("恢复出厂设置成功........"));
  EXPECT_TRUE(operations_enabled());
  EXPECT_EQ(value(unit::kDeviceId), "");
  EXPECT_EQ(value(unit::kServerIp), "");
  EXPECT_EQ(read_int(unit::kApn, prop::kComboSelection), -1);
  EXPECT_EQ(value(unit::kTransferMode), "TCP");
  EXPECT_EQ(value(unit::kWorkBaud), "1200");
  EXPECT_EQ(value(unit::kHeartbeat), "120");
  EXPECT_EQ(value(unit::kCharTimeout), "120");
  EXPECT_EQ(value(unit::kRing1), "");
}

TEST_F(Reset, UnansweredResetDisconnectsAfterTwentySeconds) {
  dtu().add_fault("no-answer=RST");
  set_field(unit::kDeviceId, "KEEP");
  uint32_t before = backend().now();
  click(unit::kResetButton);
  EXPECT_GE(backend().now() - before, 20000u);
  EXPECT_EQ(last_message(), "设备未连接！！");
  EXPECT_EQ(status(), gbk("设备未连接........"));
  EXPECT_EQ(connect_caption(), gbk("连接设备"));
  EXPECT_FALSE(dtu().is_open());
  EXPECT_EQ(value(unit::kDeviceId), "KEEP");
}

TEST_F(Save, SaveWritesTheWholeRecordTrimmed) {
  write_file("old");
  start();
  ASSERT_TRUE(connect_and_enter_setting_mode());
  set_field(unit::kDeviceId, "  ID7 ");
  set_field(unit::kServerPort, "080");
  set_field(unit::kHeartbeat, "");
  set_field(unit::kApn, " cmwap");
  click(unit::kSaveButton);
  EXPECT_EQ(last_message(), "保存设置值成功！！");
  EXPECT_TRUE(operations_enabled());
  const std::string record =
      "ID7//192.168.0.1//080//dtu.example.net//cmwap////////120//13000000001//13000000002//13000000001//"
      "13000000002//";
  EXPECT_EQ(file_bytes(), record + std::string(1, '\0'));
  EXPECT_TRUE(dtu().commands().size() == 1) << "saving sends nothing";
}

TEST_F(Save, ValueThatWouldCorruptTheRecordIsRefusedAndTheFileKept) {
  write_file("KEEP//" + std::string(1, '\0'));
  start();
  ASSERT_TRUE(connect_and_enter_setting_mode());
  for (const char* bad : {"http://dtu.example", "dtu.example/"}) {
    SCOPED_TRACE(bad);
    set_field(unit::kDomain, bad);
    click(unit::kSaveButton);
    EXPECT_EQ(last_message(), "设置值不可包含“//”，也不可以“/”结尾，设置文件未改动！！");
    EXPECT_EQ(file_bytes(), "KEEP//" + std::string(1, '\0'));
    EXPECT_TRUE(operations_enabled());
  }
}

TEST_F(Save, MissingFileIsNeverCreated) {
  start();
  ASSERT_TRUE(connect_and_enter_setting_mode());
  click(unit::kSaveButton);
  EXPECT_EQ(last_message(), "保存设置值失败！！");
  EXPECT_FALSE(std::filesystem::exists(settings_path()));
  EXPECT_TRUE(operations_disabled());
}
