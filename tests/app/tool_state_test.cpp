// The tool's state view: what each handler recorded, read while and after the window does
// what it always did. Every message box also checks that the view's setting mode is the
// window's: the operation buttons enabled.
#include "app/tool_state.h"
#include "app_texts.h"
#include "tests/app/session.h"

using namespace app;
using app_test::gbk;
using app_test::Session;

namespace {

class StateView : public Session {
 protected:
  void SetUp() override {
    Session::SetUp();
    be().set_message_box_answer([this](const platform::headless::MessageBoxRecord&) {
      EXPECT_EQ(tool_state().setting_mode, operations_enabled()) << "at the box " << last_message();
      return 1;
    });
    start();
    set_field(unit::kWorkBaud, "9600");
  }
  OperationResult op() { return tool_state().last_operation; }
  CheckResult check() { return tool_state().last_check; }
  void leave(UnitId u, const std::string& text) {
    be().user_focus(window(u));
    set_field(u, text);
    be().user_focus(window(unit::kMonitor));
  }
  void expect_end(Operation operation, Outcome outcome, uint32_t message, std::optional<Key> step = std::nullopt) {
    const OperationResult r = op();
    EXPECT_EQ(r.operation, operation);
    EXPECT_EQ(r.outcome, outcome);
    EXPECT_EQ(r.message, message);
    EXPECT_EQ(r.step, step);
  }
};

}  // namespace

TEST_F(StateView, TheLinkFromConnectThroughTheHandshakeToDisconnect) {
  EXPECT_FALSE(tool_state().connected);
  EXPECT_FALSE(tool_state().setting_mode);
  click(unit::kConnectButton);
  expect_end(Operation::Connect, Outcome::Succeeded, 0);
  EXPECT_TRUE(tool_state().connected);
  EXPECT_EQ(tool_state().handshake, Handshake::Waiting);

  std::optional<Handshake> at_request;
  when([this] { return !dtu().commands().empty(); }, [&] { at_request = tool_state().handshake; });
  be().run_for(4000);
  EXPECT_EQ(at_request, Handshake::BannerSeen) << "the request is out, its answer not yet looked at";
  EXPECT_EQ(tool_state().handshake, Handshake::Confirmed);
  EXPECT_TRUE(tool_state().setting_mode);
  EXPECT_TRUE(operations_enabled());

  click(unit::kConnectButton);
  EXPECT_FALSE(tool_state().connected);
  EXPECT_FALSE(tool_state().setting_mode);

  dtu().add_fault("no-answer=ENTER");
  click(unit::kConnectButton);
  be().run_for(6000);
  EXPECT_EQ(tool_state().handshake, Handshake::Unconfirmed);
  EXPECT_FALSE(tool_state().setting_mode);
  click(unit::kConnectButton);

  choose(unit::kPortBox, "COM3");  // no device behind it
  click(unit::kConnectButton);
  expect_end(Operation::Connect, Outcome::Failed, texts::msg_port_open_failed);
  EXPECT_FALSE(tool_state().connected);
}

TEST_F(StateView, EachCheckRecordsItsFieldAndMessage) {
  leave(unit::kServerPort, "70000");
  EXPECT_EQ(check().passed, false);
  EXPECT_EQ(check().setting, Key::PT);
  EXPECT_EQ(check().message, texts::msg_bad_server_port);
  leave(unit::kServerPort, "80");
  EXPECT_TRUE(check().passed);
  EXPECT_EQ(check().setting, Key::PT);

  leave(unit::kHeartbeat, "");
  EXPECT_FALSE(check().passed);
  EXPECT_EQ(check().setting, Key::HT);
  EXPECT_EQ(check().message, 0u) << "refused without a message";
  leave(unit::kHeartbeat, "60");

  leave(unit::kSms2, "12345678901234");
  EXPECT_EQ(check().setting, Key::SS2);
  EXPECT_EQ(check().message, texts::msg_bad_sms2);
  leave(unit::kSms2, "");

  leave(unit::kLinkBaudBox, "9601");
  EXPECT_FALSE(check().passed);
  EXPECT_EQ(check().setting, std::nullopt) << "the link's baud rate is no setting";
  EXPECT_EQ(check().message, texts::msg_bad_link_baud);
  leave(unit::kLinkBaudBox, "9600");
  EXPECT_TRUE(check().passed);
}

TEST_F(StateView, AWriteRecordsEachStepAndHowItEnded) {
  ASSERT_TRUE(connect_and_enter_setting_mode());
  std::optional<ToolState> during;
  when([this] { return status() == gbk("服务器端口设置........"); }, [&] { during = tool_state(); });
  click(unit::kWriteButton);
  ASSERT_TRUE(during);
  EXPECT_EQ(during->last_operation.outcome, Outcome::Running);
  EXPECT_EQ(during->last_operation.step, Key::PT);
  EXPECT_FALSE(during->setting_mode) << "busy";
  expect_end(Operation::Write, Outcome::Succeeded, texts::msg_write_ok, Key::SS2);
  EXPECT_TRUE(tool_state().setting_mode);

  // Refused by its checks: no step ran, the check's message is the write's.
  set_field(unit::kCharTimeout, "20");
  click(unit::kWriteButton);
  expect_end(Operation::Write, Outcome::Refused, texts::msg_bad_char_timeout);
  EXPECT_EQ(check().setting, Key::OT);
  set_field(unit::kCharTimeout, "");
  click(unit::kWriteButton);
  expect_end(Operation::Write, Outcome::Refused, 0);
  set_field(unit::kCharTimeout, "100");

  // The character time-out emptied while the earlier steps run: refused at its own step.
  be().schedule(be().now() + 900, [this] { set_field(unit::kCharTimeout, ""); });
  click(unit::kWriteButton);
  expect_end(Operation::Write, Outcome::Refused, texts::msg_char_timeout_empty, Key::OT);
  EXPECT_FALSE(tool_state().connected);

  set_field(unit::kCharTimeout, "100");
  ASSERT_TRUE(connect_and_enter_setting_mode());
  dtu().add_fault("no-answer=DN");
  click(unit::kWriteButton);
  expect_end(Operation::Write, Outcome::Unanswered, texts::msg_fail_dn, Key::DN);
  EXPECT_FALSE(tool_state().connected);
  EXPECT_FALSE(tool_state().setting_mode);
}

TEST_F(StateView, AReadRecordsWhichSettingsTheListingGave) {
  ASSERT_TRUE(connect_and_enter_setting_mode());
  click(unit::kReadButton);
  expect_end(Operation::Read, Outcome::Succeeded, texts::msg_read_ok);
  EXPECT_TRUE(op().listed.all());

  dtu().add_fault("short-list=10");
  click(unit::kReadButton);
  expect_end(Operation::Read, Outcome::Succeeded, texts::msg_read_ok);
  SettingSet expected;
  for (Key k : {Key::RV2, Key::SS1, Key::SS2}) expected.set(index_of(k));
  EXPECT_EQ(~op().listed, expected) << "lines 11 to 13 are missing";

  dtu().configure([](dtusim::Config& c) { c.faults = {}; });
  dtu().add_fault("no-answer=LIST");
  be().schedule(be().now() + 1000, [this] { click(unit::kConnectButton); });  // the user disconnects
  click(unit::kReadButton);
  expect_end(Operation::Read, Outcome::Abandoned, 0);

  ASSERT_TRUE(connect_and_enter_setting_mode());
  click(unit::kReadButton);
  expect_end(Operation::Read, Outcome::Unanswered, texts::msg_read_failed);
  EXPECT_FALSE(tool_state().connected);
}

TEST_F(StateView, ResetAndSaveRecordTheirEnds) {
  ASSERT_TRUE(connect_and_enter_setting_mode());
  click(unit::kResetButton);
  expect_end(Operation::Reset, Outcome::Succeeded, texts::msg_reset_ok);

  click(unit::kSaveButton);  // no settings file to write
  expect_end(Operation::Save, Outcome::Failed, texts::msg_save_failed);
  click(unit::kConnectButton);
  write_file("");
  ASSERT_TRUE(connect_and_enter_setting_mode());
  set_field(unit::kDomain, "http://x");
  click(unit::kSaveButton);
  expect_end(Operation::Save, Outcome::Refused, texts::msg_save_bad_value);
  set_field(unit::kDomain, "x");
  click(unit::kSaveButton);
  expect_end(Operation::Save, Outcome::Succeeded, texts::msg_save_ok);

  dtu().add_fault("no-answer=RST");
  click(unit::kResetButton);
  expect_end(Operation::Reset, Outcome::Unanswered, texts::msg_not_connected);
  EXPECT_FALSE(tool_state().connected);
}
