// A whole tool session on the headless backend: the real program (template, units, library
// commands, handlers) with a simulated DTU on COM2, all under the virtual clock. The
// program's folder is a fresh temporary directory, where "data.txt" lives.
#pragma once

#include <gtest/gtest.h>

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

class Session : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes "data.txt" (when given) and starts the program up to the shown main form.
  void start(std::optional<std::string> settings_file = std::nullopt);

  platform::headless::HeadlessBackend& be() { return backend_; }
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
  // Connects and waits for the DTU's boot and the handshake; true when in setting mode.
  bool connect_and_enter_setting_mode();

  // Message boxes shown so far, texts converted to UTF-8.
  std::vector<std::string> messages();
  std::string last_message();

  std::string settings_path() const { return dir_ + "/data.txt"; }
  std::string file_bytes() const;
  void write_file(const std::string& bytes) const;

  std::string dir_;
  bool started_ = false;
  platform::headless::HeadlessBackend backend_;
  std::shared_ptr<dtusim::HeadlessPeer> dtu_;
};

}  // namespace app_test
