// Start-up state, the settings file at start, connecting and the setting-mode handshake.
#include <string>

#include "app/link.h"
#include "platform/process.h"
#include "tests/app/session.h"

using namespace app;
using app_test::gbk;
using app_test::Session;

namespace {

const std::string kSaved = "ID9//10.1.2.3//8080//host.example//cmnet//UDP//19200//60//200//111//222//333//444//";

class Startup : public Session {};
class Link : public Session {};

}  // namespace

TEST_F(Startup, ShowsDefaultsAndLoadsTheSettingsFile) {
  start(kSaved + std::string(1, '\0'));
  EXPECT_EQ(value(unit::kPortBox), "COM2");
  EXPECT_EQ(value(unit::kLinkBaudBox), "9600");
  EXPECT_TRUE(operations_disabled());
  EXPECT_FALSE(disabled(unit::kConnectButton));
  EXPECT_EQ(status(), gbk("未连接........"));
  EXPECT_EQ(value(unit::kDeviceId), "ID9");
  EXPECT_EQ(value(unit::kServerIp), "10.1.2.3");
  EXPECT_EQ(value(unit::kServerPort), "8080");
  EXPECT_EQ(value(unit::kApn), "cmnet");
  EXPECT_EQ(value(unit::kTransferMode), "UDP");
  EXPECT_EQ(value(unit::kWorkBaud), "19200");
  EXPECT_EQ(value(unit::kHeartbeat), "60");
  EXPECT_EQ(value(unit::kCharTimeout), "200");
  EXPECT_EQ(value(unit::kSms2), "444");
  EXPECT_TRUE(messages().empty());
}

TEST_F(Startup, MissingShortOrGarbledFileKeepsTemplateValuesWhereNoPartExists) {
  start();  // no data.txt at all
  EXPECT_EQ(value(unit::kDeviceId), "DT0001");
  EXPECT_EQ(value(unit::kServerPort), "20");
  EXPECT_EQ(value(unit::kRing1), "13000000001");

  for (const std::string& file : {std::string(), std::string("AB//0"), std::string("\xff\xfe//\x81//", 7)}) {
    SCOPED_TRACE(file);
    TearDown();
    SetUp();
    start(file);
    EXPECT_EQ(value(unit::kHeartbeat), "120");  // position 8: never reached
    EXPECT_EQ(value(unit::kSms2), "13000000002");
  }
  EXPECT_EQ(value(unit::kDeviceId), "\xff\xfe");
}

TEST_F(Startup, EmptyNumbersLoadAsZeroAndPortLosesLeadingZeros) {
  start("//1.2.3.4//08080//////////////////////");
  EXPECT_EQ(value(unit::kDeviceId), "");
  EXPECT_EQ(value(unit::kServerPort), "8080");
  EXPECT_EQ(value(unit::kHeartbeat), "0");
  EXPECT_EQ(value(unit::kCharTimeout), "0");
}

TEST_F(Link, ConnectWaitsForTheBannerThenEntersSettingMode) {
  start();
  click(unit::kConnectButton);
  EXPECT_EQ(connect_caption(), gbk("断开连接"));
  EXPECT_EQ(status(), gbk("等待设备回应........"));
  EXPECT_TRUE(operations_disabled());
  EXPECT_TRUE(dtu().received().empty()) << "nothing is sent when the port opens";

  backend().run_for(5000);
  EXPECT_TRUE(operations_enabled()) << "monitor: " << monitor() << " status: " << app_test::utf8(status())
                                    << " dtu boots: " << dtu().boots() << " sent: " << dtu().sent().size()
                                    << " open: " << dtu().is_open();
  EXPECT_EQ(status(), gbk("进入设置模式........"));
  EXPECT_EQ(dtu().received(), "%%%%%%%%%%\r\n");
  EXPECT_NE(monitor().find("Press %%%%%%%%% into setting mode"), std::string::npos);
  EXPECT_NE(monitor().find("System enter setting mode"), std::string::npos);
}

TEST_F(Link, DisconnectClosesThePortAndDisablesOperations) {
  start();
  ASSERT_TRUE(connect_and_enter_setting_mode());
  click(unit::kConnectButton);
  EXPECT_EQ(connect_caption(), gbk("连接设备"));
  EXPECT_EQ(status(), gbk("设备未连接........"));
  EXPECT_TRUE(operations_disabled());
  EXPECT_FALSE(dtu().is_open());
  // One click connects again, and the DTU's next boot is answered again.
  ASSERT_TRUE(connect_and_enter_setting_mode());
  EXPECT_EQ(dtu().commands().size(), 2u);
}

TEST_F(Link, PortThatCannotBeOpenedShowsTheMessageAndStaysNotConnected) {
  start();
  backend().set_serial_busy(platform::serial_device_path(2), true);
  click(unit::kConnectButton);
  EXPECT_EQ(last_message(), "串口打开失败");
  EXPECT_EQ(connect_caption(), gbk("连接设备"));
  EXPECT_EQ(status(), gbk("未连接........"));
  backend().set_serial_busy(platform::serial_device_path(2), false);
  click(unit::kConnectButton);
  EXPECT_EQ(connect_caption(), gbk("断开连接"));
}

TEST_F(Link, NoConfirmationLeavesOperationsDisabledUntilTheNextBoot) {
  start();
  dtu().add_fault("no-answer=ENTER");
  click(unit::kConnectButton);
  backend().run_for(6000);
  EXPECT_TRUE(operations_disabled());
  EXPECT_EQ(status(), gbk("进入设置模式........"));
  EXPECT_TRUE(messages().empty());
  dtu().configure([](dtusim::Config& c) { c.faults.no_answer.reset(); });
  dtu().boot_now();
  backend().run_for(5000);
  EXPECT_TRUE(operations_enabled());
}

TEST_F(Link, EachBurstIsShownOnceInArrivalOrder) {
  start();
  ASSERT_TRUE(connect_and_enter_setting_mode());
  const std::string m = monitor();
  auto banner = m.find("Press %%%%%%%%%");
  auto entered = m.find("System enter setting mode");
  ASSERT_NE(banner, std::string::npos);
  EXPECT_LT(banner, entered);
  EXPECT_EQ(m.find("Press %%%%%%%%%", banner + 1), std::string::npos);
}

TEST_F(Link, ClosingTheWindowWhileTheHandshakeWaitsEndsQuietly) {
  start();
  // Close the window as soon as the setting-mode request has gone out, while its answer is
  // awaited.
  when([this] { return !dtu().received().empty(); }, [this] { backend().close_box(window(unit::kForm)); });
  try {
    click(unit::kConnectButton);
    backend().run_for(5000);
  } catch (const platform::headless::ProcessExit& e) {
    FAIL() << "the program ended with " << e.code << ": " << last_message();
  }
  EXPECT_EQ(dtu().received(), "%%%%%%%%%%\r\n");
  EXPECT_TRUE(messages().empty()) << last_message();
  EXPECT_TRUE(backend().quit_requested());
  EXPECT_EQ(backend().quit_code(), 0);
}

TEST_F(Link, DisconnectWhileTheHandshakeWaitsLeavesTheToolNotConnected) {
  start();
  // The technician disconnects right after the setting-mode request went out; the DTU's
  // confirmation still closes its burst within the wait.
  when([this] { return !dtu().received().empty(); },
       [this] { backend().schedule(backend().now() + 300, [this] { click(unit::kConnectButton); }); });
  click(unit::kConnectButton);
  backend().run_for(5000);
  EXPECT_NE(monitor().find("System enter setting mode"), std::string::npos);
  EXPECT_FALSE(dtu().is_open());
  EXPECT_EQ(connect_caption(), gbk("连接设备"));
  EXPECT_TRUE(operations_disabled()) << "no operation without a link";
  EXPECT_EQ(status(), gbk("设备未连接........"));
}

TEST_F(Link, TheLineCarriesTheChosenRateWithEightDataBitsNoParityOneStopBit) {
  dtu().configure([](dtusim::Config& c) { c.fixed_baud = true; });  // 9600 only
  start();
  choose(unit::kLinkBaudBox, "19200");
  click(unit::kConnectButton);
  backend().run_for(6000);
  EXPECT_EQ(dtu().line().baud_rate, 19200u);
  EXPECT_EQ(dtu().boots(), 1);
  EXPECT_EQ(monitor().find("Press"), std::string::npos) << "at the wrong rate the banner is noise";
  EXPECT_TRUE(operations_disabled());
  EXPECT_EQ(status(), gbk("等待设备回应........"));

  click(unit::kConnectButton);
  choose(unit::kLinkBaudBox, "9600");
  ASSERT_TRUE(connect_and_enter_setting_mode());
  const platform::LineSettings line = dtu().line();
  EXPECT_EQ(line.baud_rate, 9600u);
  EXPECT_EQ(line.data_bits, 8);
  EXPECT_EQ(line.parity, platform::Parity::None);
  EXPECT_EQ(line.stop_bits, platform::StopBits::One);
}

TEST_F(Link, ChosenPortOpensThatPortsDevice) {
  auto com3 = add_dtu(3);
  start();
  choose(unit::kPortBox, "COM3");
  ASSERT_TRUE(connect_and_enter_setting_mode());
  EXPECT_TRUE(com3->is_open());
  EXPECT_EQ(com3->received(), "%%%%%%%%%%\r\n");
  EXPECT_FALSE(dtu().is_open());
  EXPECT_EQ(dtu().boots(), 0);
}

// The request goes out 500 ms after the banner's burst has closed and the reply is looked at
// once, 1000 ms after the request: a confirmation counts only if its own 500 ms burst has
// closed by then.
TEST_F(Link, ConfirmationMustStartWithinHalfASecondOfTheRequest) {
  for (const uint32_t answer_ms : {450u, 550u}) {
    SCOPED_TRACE(answer_ms);
    if (answer_ms != 450u) {
      TearDown();
      SetUp();
    }
    dtu().configure([answer_ms](dtusim::Config& c) { c.command_delay_ms["ENTER"] = answer_ms; });
    start();
    uint32_t request_at = 0;
    when([this] { return !dtu().received().empty(); }, [&] { request_at = backend().now(); });
    click(unit::kConnectButton);
    backend().run_for(6000);
    const auto sent = dtu().sent();
    ASSERT_FALSE(sent.empty());
    ASSERT_NE(sent.back().bytes.find("System enter setting mode"), std::string::npos);
    EXPECT_NEAR(static_cast<double>(sent.back().at_ms - request_at), answer_ms, 1.0);

    EXPECT_EQ(operations_enabled(), answer_ms == 450u);
    EXPECT_EQ(status(), gbk("进入设置模式........"));
    EXPECT_TRUE(messages().empty()) << last_message();
    EXPECT_EQ(dtu().commands(), std::vector<std::string>{"%%%%%%%%%%"});
  }
}

TEST_F(Link, SecondBannerWhileTheRequestIsPendingSendsOneRequest) {
  start();
  uint32_t banner_at = 0, request_at = 0;
  const std::string banner = "Press %%%%%%%%% into setting mode\r\n";
  when([&] { return monitor().find("Press %%%%%%%%%") != std::string::npos; },
       [&] {
         banner_at = backend().now();
         // A burst lasts 500 ms from its first byte, so on this clock a second one cannot close
         // before the request is due; a platform timer's jitter can make it, so the test closes
         // one itself, 200 ms into the wait.
         backend().schedule(banner_at + 200, [&] {
           for (char c : banner) on_data_received(static_cast<uint8_t>(c));
           on_rx_window_tick();
         });
       });
  when([this] { return !dtu().received().empty(); }, [&] { request_at = backend().now(); });
  click(unit::kConnectButton);
  backend().run_for(5000);
  const std::string m = monitor();
  ASSERT_NE(m.find("Press %%%%%%%%%", m.find("Press %%%%%%%%%") + 1), std::string::npos) << "two banners shown";
  EXPECT_EQ(dtu().commands(), std::vector<std::string>{"%%%%%%%%%%"});
  EXPECT_NEAR(static_cast<double>(request_at - banner_at), 500.0, 2.0) << "timed from the first banner";
  EXPECT_TRUE(operations_enabled());
}
