// Why a port would not open, in the window: the "串口打开失败" box and the status line as
// ever, and one line of its own in the traffic monitor naming the port, its device and the
// reason: a device that does not exist, one the user may not open (run as a user without
// rights), one another program holds.
#include <sys/stat.h>
#include <unistd.h>

#include <grp.h>

#include <filesystem>

#include "platform/posix/serial_device.h"
#include "platform/posix/serial_lock.h"
#include "platform/process.h"
#include "tests/app/session.h"
#include "tests/platform/as_unprivileged.h"
#include "tests/platform/scratch_dir.h"
#include "units/comm_port.h"

namespace app_test {
namespace {

using namespace app;

class PortReason : public Session {
 protected:
  void TearDown() override {
    units::set_device_opener(nullptr);
    unsetenv("DTU_SETUP_LOCK_DIR");
    Session::TearDown();
  }
  // Clicks connect on a port that will not open: the box and the status as without a reason.
  void connect_fails() {
    const std::string status_before = status();
    const size_t boxes = messages().size();
    click(unit::kConnectButton);
    EXPECT_EQ(messages().size(), boxes + 1);
    EXPECT_EQ(last_message(), "串口打开失败");
    EXPECT_EQ(status(), status_before);
    EXPECT_EQ(connect_caption(), gbk("连接设备"));
  }
  void refused_device_is_explained();
};

TEST_F(PortReason, AMissingDeviceIsNamed) {
  start();
  choose(unit::kPortBox, "COM7");
  connect_fails();
  EXPECT_EQ(utf8(monitor()), "COM7 (/dev/ttyUSB2) 不存在\r\n");
}

TEST_F(PortReason, AHeldPortNamesItsHolderOnALineOfItsOwn) {
  platform_test::ScratchDir locks;
  setenv("DTU_SETUP_LOCK_DIR", locks.path().c_str(), 1);
  start();
  ASSERT_TRUE(connect_and_enter_setting_mode());
  click(unit::kConnectButton);  // disconnect; the monitor ends in the DTU's last burst
  const std::string shown = utf8(monitor());
  ASSERT_FALSE(shown.empty());

  backend().set_serial_busy(platform::serial_device_path(2), true);
  connect_fails();
  const std::string expected_start = shown.back() == '\n' ? shown : shown + "\r\n";
  EXPECT_EQ(utf8(monitor()), expected_start + "COM2 (/dev/ttyS1) 被其他程序占用\r\n");

  // Its lock file tells who holds it.
  platform_test::write_text(locks.file("LCK..ttyS1"), "         1\n");
  connect_fails();
  const std::string holder = "COM2 (/dev/ttyS1) 被其他程序占用 (PID 1 " + platform::posix::process_name(1) + ")\r\n";
  EXPECT_EQ(utf8(monitor()), expected_start + "COM2 (/dev/ttyS1) 被其他程序占用\r\n" + holder);
}

// The device exists, but this user may not open it.
void PortReason::refused_device_is_explained() {
  const std::string device = platform::environment("DTU_REASON_DEVICE").value_or("");
  const std::string group = platform::environment("DTU_REASON_GROUP").value_or("");
  setenv("DTU_SETUP_COM2", device.c_str(), 1);
  units::set_device_opener(platform::posix::open_serial_device);
  start();
  connect_fails();
  const std::string line = "COM2 (" + device + ") 无权限" + (group.empty() ? "" : "，请把用户加入 " + group + " 组");
  EXPECT_EQ(utf8(monitor()), line + "\r\n");
}

TEST_F(PortReason, ChildRefusedDevice) {
  if (!platform_test::in_unprivileged_child()) GTEST_SKIP() << "only run as a child process";
  refused_device_is_explained();
}

TEST_F(PortReason, ARefusedDeviceAsksToJoinItsGroup) {
  platform_test::ScratchDir dir;
  const std::string device = dir.file("ttyDTU");
  platform_test::write_text(device, "");
  std::string group;
  if (::geteuid() == 0) {
    // As the serial devices are: root's, readable and writable by the group dialout.
    if (const ::group* dialout = ::getgrnam("dialout")) {
      ASSERT_EQ(::chown(device.c_str(), 0, dialout->gr_gid), 0);
      ::chmod(device.c_str(), 0660);
      group = "dialout";
    } else {
      ::chmod(device.c_str(), 0600);  // root's group: the usual serial group is advised
      group = "dialout";
    }
  } else {
    ::chmod(device.c_str(), 0);  // even its owner may not open it
  }
  platform_test::run_unprivileged("PortReason.ChildRefusedDevice", {"DTU_REASON_DEVICE=" + device, "DTU_REASON_GROUP=" + group},
                               [&] { refused_device_is_explained(); });
}

}  // namespace
}  // namespace app_test
