// The tool's operations on the DTU at one port, each returning how it ended as the tool
// itself recorded it (app/tool_state.h), never as a text the window shows. Everything goes
// through the window as a technician's clicks would, so the window's own checks, messages
// and timing apply. Several DTUs may be handled one after another on the same port:
// connect, wait for setting mode, read / write / reset, disconnect, and again.
// UI thread only, while the program runs.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/tool_state.h"
#include "main/cli/tool_driver.h"

namespace cli {

using SettingValues = std::array<std::string, app::kSettingCount>;  // GBK, in the table's order

// How one operation ended.
struct OperationEnd {
  bool started = true;  // false: the tool was not in the state it needs, nothing was done
  app::Outcome outcome = app::Outcome::Succeeded;
  std::optional<app::Key> step;  // a write's step that ended it; none when its checks refused it
  uint32_t message = 0;          // the tool's message it ended with (offset of the text); 0 none
  bool ok() const { return started && outcome == app::Outcome::Succeeded; }
  static OperationEnd not_started() { return {false, app::Outcome::Refused, std::nullopt, 0}; }
};

enum class ModeWait {
  SettingMode,  // the DTU confirmed: the operations may run
  NoBanner,     // no boot banner came
  Unconfirmed,  // the DTU booted but did not confirm the setting-mode request
};

struct Reading {
  OperationEnd end;
  std::vector<app::Key> missing;  // settings the listing gave no value for
  SettingValues values;           // the fields after the read; trustworthy only when ok()
  bool ok() const { return end.ok() && missing.empty(); }
};

class DtuDriver {
 public:
  explicit DtuDriver(ToolDriver& tool) : tool_(tool) {}

  // The port (COM1 to COM15) and link baud rate the connect uses; false when the window
  // offers no such choice.
  bool choose_link(int com, int baud);

  // Puts a value into its field as the tool's own loading does (no check runs); false when
  // the field does not take it: the IP box keeps no text that is not an address.
  bool put_value(app::Key key, const std::string& gbk);
  std::string value(app::Key key);
  // Leaves the field, which runs its check when it has one; a field without one passes.
  app::CheckResult check_field(app::Key key);

  OperationEnd connect();  // opens the port (not started when already connected)
  void disconnect();
  bool connected() const { return app::tool_state().connected; }

  // Keeps the tool running until the DTU has booted and confirmed setting mode, for up to
  // `within_ms`; a handshake still under way at the end is given a little longer to finish.
  ModeWait wait_for_setting_mode(uint32_t within_ms);

  // These need setting mode and leave it on success; on most failures the tool drops the
  // link, as the window does.
  Reading read_settings();
  OperationEnd write_settings();  // the fields' values, after the window's own checks
  OperationEnd reset();
  OperationEnd save();            // into the settings file the tool keeps

  // The write step running now, while a write runs.
  std::optional<app::Key> write_step() const;

 private:
  OperationEnd run(app::UnitId button);

  ToolDriver& tool_;
};

}  // namespace cli
