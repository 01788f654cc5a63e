// Reading the settings with "%LIST" and writing them back one command at a time.
#include "app/read_settings.h"
#include "app/settings_table.h"
#include "tests/app/session.h"

using namespace app;
using app_test::gbk;
using app_test::Session;

namespace {

class ReadWrite : public Session {
 protected:
  void SetUp() override {
    Session::SetUp();
    dtusim::Settings s = dtusim::Settings::factory();
    s.put(dtusim::Key::ID, "DTU42");
    s.put(dtusim::Key::IP, "10.0.0.7");
    s.put(dtusim::Key::PT, "9000");
    s.put(dtusim::Key::DN, "");
    s.put(dtusim::Key::AP, "cmnet");
    s.put(dtusim::Key::RV1, "13900000000");
    dtu().set_settings(s);
    start();
    set_field(unit::kWorkBaud, "9600");  // the template leaves it empty, which no write accepts
    ASSERT_TRUE(connect_and_enter_setting_mode());
  }
  std::vector<std::string> commands_after_handshake() {
    auto all = dtu().commands();
    return std::vector<std::string>(all.begin() + 1, all.end());
  }
};

}  // namespace

TEST_F(ReadWrite, ReadFillsEveryFieldFromTheListing) {
  set_field(unit::kDomain, "typed.example");
  click(unit::kReadButton);
  EXPECT_EQ(commands_after_handshake(), std::vector<std::string>{"%LIST"});
  EXPECT_EQ(last_message(), "读出模块设置值成功！！");
  EXPECT_EQ(status(), gbk("读出模块设置值成功........"));
  EXPECT_TRUE(operations_enabled());
  EXPECT_EQ(value(unit::kDeviceId), "DTU42");
  EXPECT_EQ(value(unit::kServerIp), "10.0.0.7");
  EXPECT_EQ(value(unit::kServerPort), "9000");
  EXPECT_EQ(value(unit::kDomain), "") << "the unset marker reads as empty";
  EXPECT_EQ(value(unit::kApn), "cmnet");
  EXPECT_EQ(value(unit::kTransferMode), "TCP");
  EXPECT_EQ(value(unit::kWorkBaud), "1200");
  EXPECT_EQ(value(unit::kHeartbeat), "120");
  EXPECT_EQ(value(unit::kCharTimeout), "120");
  EXPECT_EQ(value(unit::kRing1), "13900000000");
  EXPECT_EQ(value(unit::kRing2), "");
}

TEST_F(ReadWrite, ListingQuirksFollowTheLinePositions) {
  dtu().add_fault("port-zeros");
  click(unit::kReadButton);
  EXPECT_EQ(value(unit::kServerPort), "9000") << "leading zeros are dropped";

  dtu().configure([](dtusim::Config& c) { c.faults = {}; });
  dtu().add_fault("separator=DN");  // the domain is listed as "DN= = x"
  click(unit::kReadButton);
  EXPECT_EQ(last_message(), "读出模块设置值成功！！");
  EXPECT_EQ(value(unit::kDomain), "") << "the value is cut at the second \"= \"";
}

// The one rule the read and a production run's read-back check share: the unset marker is
// the empty text only where the rule says so (the address, mode and baud rate keep it), and a
// number goes through to_int, the marker included.
TEST_F(ReadWrite, ListingValuesBecomeFieldTextsByEachSettingsRule) {
  const auto shown = [](Key key, const char* listed) { return field_text_from_listing(setting(key), listed); };
  EXPECT_EQ(shown(Key::ID, "-----"), "");
  EXPECT_EQ(shown(Key::ID, " DTU 7 "), " DTU 7 ");
  EXPECT_EQ(shown(Key::IP, "-----"), "-----");
  EXPECT_EQ(shown(Key::TM, "-----"), "-----");
  EXPECT_EQ(shown(Key::PT, "-----"), "");
  EXPECT_EQ(shown(Key::PT, "09000"), "9000");
  EXPECT_EQ(shown(Key::PT, "port"), "0");
  EXPECT_EQ(shown(Key::HT, "-----"), "0");
  EXPECT_EQ(shown(Key::OT, "0200"), "200");
  EXPECT_EQ(shown(Key::SS2, "-----"), "");
  EXPECT_EQ(shown(Key::SS2, "+86 139"), "+86 139");
}

TEST_F(ReadWrite, ShortListingFillsWhatItHasAndKeepsTheRest) {
  set_field(unit::kSms2, "555");
  set_field(unit::kRing2, "777");
  dtu().add_fault("short-list=10");
  click(unit::kReadButton);
  EXPECT_EQ(last_message(), "读出模块设置值成功！！");
  EXPECT_EQ(value(unit::kDeviceId), "DTU42");
  EXPECT_EQ(value(unit::kRing1), "13900000000");
  EXPECT_EQ(value(unit::kRing2), "777");
  EXPECT_EQ(value(unit::kSms2), "555");
}

TEST_F(ReadWrite, ReadWithoutAnswerDropsTheLink) {
  set_field(unit::kDeviceId, "KEEP");
  dtu().add_fault("no-answer=LIST");
  uint32_t before = backend().now();
  click(unit::kReadButton);
  EXPECT_GE(backend().now() - before, 4000u);
  EXPECT_EQ(last_message(), "读出设置失败！！");
  EXPECT_EQ(status(), gbk("读出模块设置值失败........"));
  EXPECT_EQ(connect_caption(), gbk("连接设备"));
  EXPECT_TRUE(operations_disabled());
  EXPECT_FALSE(dtu().is_open());
  EXPECT_EQ(value(unit::kDeviceId), "KEEP");
}

TEST_F(ReadWrite, WriteSendsThirteenCommandsInOrder) {
  set_field(unit::kDeviceId, " A1 ");
  set_field(unit::kDomain, "");
  set_field(unit::kApn, "  cmnet ");
  set_field(unit::kTransferMode, "UDP ");
  set_field(unit::kWorkBaud, " 9600");
  set_field(unit::kServerIp, "10.0.0.9");
  click(unit::kWriteButton);
  EXPECT_EQ(last_message(), "写入成功！！");
  EXPECT_EQ(status(), gbk("写入成功！！........"));
  EXPECT_TRUE(operations_enabled());
  const std::vector<std::string> expected = {
      "%ID= A1 ", "%IP=10.0.0.9", "%PT=20",   "%DN=",    "%AP=cmnet", "%TM=UDP",        "%UB=9600",
      "%HT=120",  "%OT=120",      "%RV1=13000000001", "%RV2=13000000002", "%SS1=13000000001", "%SS2=13000000002"};
  EXPECT_EQ(commands_after_handshake(), expected);
  EXPECT_NE(dtu().received().find("%DN=\r\n"), std::string::npos);
}

TEST_F(ReadWrite, StepTimeLimitsAreFourAndSixSeconds) {
  dtu().configure([](dtusim::Config& c) { c.command_delay_ms["DN"] = 5000; });
  click(unit::kWriteButton);
  EXPECT_EQ(last_message(), "写入成功！！") << "the domain may take up to 6 s";

  dtu().configure([](dtusim::Config& c) { c.command_delay_ms = {{"PT", 5000}}; });
  click(unit::kWriteButton);
  EXPECT_EQ(last_message(), "服务器端口设置失败！！");
  EXPECT_EQ(status(), gbk("设备未连接........"));
  EXPECT_EQ(connect_caption(), gbk("连接设备"));
  EXPECT_TRUE(operations_disabled());
  EXPECT_FALSE(dtu().is_open());
  auto sent = commands_after_handshake();
  EXPECT_EQ(sent.back().substr(0, 4), "%PT=") << "later steps are not sent";
}

TEST_F(ReadWrite, AnswerNearTheLimitCountsAndALateOneFails) {
  // 40 polls of 100 ms: an answer whose burst closes before the last poll succeeds ...
  dtu().configure([](dtusim::Config& c) { c.command_delay_ms["LIST"] = 3200; });
  click(unit::kReadButton);
  EXPECT_EQ(last_message(), "读出模块设置值成功！！");
  // ... one whose burst closes after it does not.
  dtu().configure([](dtusim::Config& c) { c.command_delay_ms["LIST"] = 3600; });
  click(unit::kReadButton);
  EXPECT_EQ(last_message(), "读出设置失败！！");
}

TEST_F(ReadWrite, AnswersSplitIntoTwoBurstsStillAcknowledgeEachStep) {
  dtu().add_fault("split");  // "OK" alone, then CR LF 600 ms later
  click(unit::kWriteButton);
  EXPECT_EQ(last_message(), "写入成功！！");
}

TEST_F(ReadWrite, EmptiedCharacterTimeoutStopsTheWriteAtItsStep) {
  // The field is emptied while the earlier steps are being sent.
  backend().schedule(backend().now() + 900, [this] { set_field(unit::kCharTimeout, ""); });
  click(unit::kWriteButton);
  EXPECT_EQ(last_message(), "字符超时时长设置不可为空！");
  auto sent = commands_after_handshake();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back().substr(0, 4), "%HT=");
  EXPECT_FALSE(dtu().is_open());
}

TEST_F(ReadWrite, ClosingTheWindowWhileWaitingEndsTheOperationQuietly) {
  // The technician closes the window while a command waits for its answer: the waiting
  // handler must not go on addressing the closed form (a runtime error, exit -1), nor keep
  // the invisible program alive for the rest of the poll limit.
  const std::pair<UnitId, const char*> operations[] = {
      {unit::kReadButton, "no-answer=LIST"}, {unit::kWriteButton, "no-answer=ID"}, {unit::kResetButton, "no-answer=RST"}};
  bool first = true;
  for (const auto& [button, fault] : operations) {
    SCOPED_TRACE(fault);
    if (!first) {
      TearDown();
      SetUp();
    }
    first = false;
    dtu().add_fault(fault);
    uint32_t before = backend().now();
    backend().schedule(before + 1000, [this] { backend().close_box(window(unit::kForm)); });
    try {
      click(button);
      backend().settle();
    } catch (const platform::headless::ProcessExit& e) {
      FAIL() << "the program ended with " << e.code << ": " << last_message();
    }
    EXPECT_TRUE(messages().empty()) << last_message();
    EXPECT_LT(backend().now() - before, 2000u);
    EXPECT_TRUE(backend().quit_requested());
    EXPECT_EQ(backend().quit_code(), 0);
  }
}

namespace {

class RoundTrip : public Session {
 protected:
  // The thirteen setting units in file order.
  std::vector<std::string> fields() {
    std::vector<std::string> out;
    for (UnitId u : {unit::kDeviceId, unit::kServerIp, unit::kServerPort, unit::kDomain, unit::kApn,
                     unit::kTransferMode, unit::kWorkBaud, unit::kHeartbeat, unit::kCharTimeout, unit::kRing1,
                     unit::kRing2, unit::kSms1, unit::kSms2})
      out.push_back(value(u));
    return out;
  }
};

}  // namespace

// Every value distinct, the heartbeat and character time-out and the four phone numbers most
// of all: the listing carries the time-out before the heartbeat, the file and the write the
// other way round.
TEST_F(RoundTrip, EveryValueKeepsItsPlaceThroughReadSaveLoadAndWrite) {
  using dtusim::Key;
  const std::vector<std::pair<Key, std::string>> device = {
      {Key::ID, "DTU7"},          {Key::IP, "10.1.2.3"},      {Key::PT, "4001"},         {Key::DN, "dtu.example"},
      {Key::AP, "cmiot"},         {Key::TM, "UDP"},           {Key::UB, "19200"},        {Key::HT, "60"},
      {Key::OT, "200"},           {Key::RV1, "13900000001"}, {Key::RV2, "13900000002"}, {Key::SS1, "13900000003"},
      {Key::SS2, "13900000004"}};
  std::vector<std::string> in_file_order;
  dtusim::Settings first = dtusim::Settings::factory();
  for (const auto& [key, v] : device) {
    first.put(key, v);
    in_file_order.push_back(v);
  }
  dtu().set_settings(first);
  start(std::string());  // an empty data.txt for the save to fill
  ASSERT_TRUE(connect_and_enter_setting_mode());
  click(unit::kReadButton);
  EXPECT_EQ(fields(), in_file_order) << "read";
  click(unit::kSaveButton);
  std::string record;
  for (const std::string& v : in_file_order) record += v + "//";
  record += '\0';
  ASSERT_EQ(file_bytes(), record);

  // The next start loads the file, and writing it makes a DTU with factory settings hold
  // what the first one held.
  TearDown();
  SetUp();
  start(record);
  EXPECT_EQ(fields(), in_file_order) << "load";
  ASSERT_TRUE(connect_and_enter_setting_mode());
  click(unit::kWriteButton);
  EXPECT_EQ(last_message(), "写入成功！！");
  for (const auto& [key, v] : device) EXPECT_EQ(dtu().settings().get(key), v) << dtusim::key_name(key);
}
