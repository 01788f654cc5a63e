// A whole tool session on the headless backend: the real program (template, units, library
// commands, handlers) with a simulated DTU on COM2, all under the virtual clock. The
// program's folder is a fresh temporary directory, where "data.txt" lives.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/units.h"
#include "platform/headless/headless_backend.h"
#include "tools/dtu-sim/headless_peer.h"

namespace app_test {

std::string gbk(const std::string& utf8);
std::string utf8(const std::string& gbk);

// What the link looks like at one moment (texts in UTF-8): the connect button's caption,
// the `connected` flag, the status line, the four operation buttons, whether the DTU's port
// is open, and the text of the message box being shown, if any.
struct Scene {
  std::string caption;
  int32_t connected = 0;
  std::string status;
  bool operations_disabled = false;
  bool port_open = false;
  std::string message;
  bool operator==(const Scene&) const = default;
};
void PrintTo(const Scene& s, std::ostream* os);

class Session : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes "data.txt" (when given) and starts the program up to the shown main form.
  void start(std::optional<std::string> settings_file = std::nullopt);

  platform::headless::HeadlessBackend& backend() { return backend_; }
  dtusim::HeadlessPeer& dtu() { return *dtu_; }
  platform::Handle window(app::UnitId u);

  // Unit values as the handlers see them (GBK).
  std::string value(app::UnitId u);
  std::string read_text(app::UnitId u, int index);
  int32_t read_int(app::UnitId u, int index);
  bool disabled(app::UnitId u);
  bool operations_enabled();  // all four operation buttons
  bool operations_disabled();
  std::string status();       // the status line (GBK)
  std::string monitor();      // the traffic monitor (GBK)
  std::string connect_caption();

  // The user's side.
  void click(app::UnitId u);
  void set_field(app::UnitId u, const std::string& gbk_text);  // as if typed over
  void choose(app::UnitId combo, const std::string& item);     // picks a list entry
  // Connects and waits for the DTU's boot and the handshake; true when in setting mode.
  bool connect_and_enter_setting_mode();

  // Message boxes shown so far, texts converted to UTF-8.
  std::vector<std::string> messages();
  std::string last_message();

  // The scene now; and, once record_scenes_at_boxes() was called, the scene while each
  // later message box was open.
  Scene scene(const std::string& message = {});
  void record_scenes_at_boxes();
  std::vector<Scene> box_scenes_;

  // Runs `action` once, at the first virtual millisecond from now on at which `condition`
  // holds (checked every millisecond while the clock runs).
  void when(std::function<bool()> condition, std::function<void()> action);

  // Another simulated DTU, on the device that port number `port` opens.
  std::shared_ptr<dtusim::HeadlessPeer> add_dtu(int port, dtusim::Config config = {});

  std::string settings_path() const { return dir_ + "/data.txt"; }
  std::string file_bytes() const;
  void write_file(const std::string& bytes) const;

  std::string dir_;
  bool started_ = false;
  platform::headless::HeadlessBackend backend_;
  std::shared_ptr<dtusim::HeadlessPeer> dtu_;
};

}  // namespace app_test
