// Start-up state, the settings file at start, connecting and the setting-mode handshake.
#include <functional>

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

  be().run_for(5000);
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
  be().set_serial_busy(platform::serial_device_path(2), true);
  click(unit::kConnectButton);
  EXPECT_EQ(last_message(), "串口打开失败");
  EXPECT_EQ(connect_caption(), gbk("连接设备"));
  EXPECT_EQ(status(), gbk("未连接........"));
  be().set_serial_busy(platform::serial_device_path(2), false);
  click(unit::kConnectButton);
  EXPECT_EQ(connect_caption(), gbk("断开连接"));
}

TEST_F(Link, NoConfirmationLeavesOperationsDisabledUntilTheNextBoot) {
  start();
  dtu().add_fault("no-answer=ENTER");
  click(unit::kConnectButton);
  be().run_for(6000);
  EXPECT_TRUE(operations_disabled());
  EXPECT_EQ(status(), gbk("进入设置模式........"));
  EXPECT_TRUE(messages().empty());
  dtu().configure([](dtusim::Config& c) { c.faults.no_answer.reset(); });
  dtu().boot_now();
  be().run_for(5000);
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
  std::function<void()> watch = [&] {
    if (!dtu().received().empty()) return be().close_box(window(unit::kForm));
    be().schedule(be().now() + 10, watch);
  };
  be().schedule(be().now() + 10, watch);
  try {
    click(unit::kConnectButton);
    be().run_for(5000);
  } catch (const platform::headless::ProcessExit& e) {
    FAIL() << "the program ended with " << e.code << ": " << last_message();
  }
  EXPECT_EQ(dtu().received(), "%%%%%%%%%%\r\n");
  EXPECT_TRUE(messages().empty()) << last_message();
  EXPECT_TRUE(be().quit_requested());
  EXPECT_EQ(be().quit_code(), 0);
}

TEST_F(Link, DisconnectWhileTheHandshakeWaitsLeavesTheToolNotConnected) {
  start();
  // The technician disconnects right after the setting-mode request went out; the DTU's
  // confirmation still closes its burst within the wait.
  std::function<void()> watch = [&] {
    if (!dtu().received().empty()) return be().schedule(be().now() + 300, [this] { click(unit::kConnectButton); });
    be().schedule(be().now() + 10, watch);
  };
  be().schedule(be().now() + 10, watch);
  click(unit::kConnectButton);
  be().run_for(5000);
  EXPECT_NE(monitor().find("System enter setting mode"), std::string::npos);
  EXPECT_FALSE(dtu().is_open());
  EXPECT_EQ(connect_caption(), gbk("连接设备"));
  EXPECT_TRUE(operations_disabled()) << "no operation without a link";
  EXPECT_EQ(status(), gbk("设备未连接........"));
}
