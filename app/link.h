// The serial link: connecting and disconnecting, turning received bytes into bursts, the
// setting-mode handshake, and the one command exchange every operation uses.
#pragma once

#include <cstdint>

namespace app {

void on_connect_clicked();
void on_data_received(int32_t byte);
void on_rx_window_tick();
void on_mode_poll_tick();

// How a command exchange ended.
enum class Exchange {
  Acknowledged,  // a poll found "OK" in the newest burst
  Unanswered,    // no poll found it within the poll limit
  Abandoned,     // the window was closed or the link dropped while waiting: nothing to report
};

// Sends `command` CR LF, shows `status`, then polls every 100 ms, up to `poll_limit` times,
// for "OK" in the newest burst.
Exchange run_command(const char* command, const char* status, int poll_limit);

// Where a dropped link's message box comes: before the drop, over the window that still
// shows the link (port open); or after it, over the not-connected window, before the status
// line changes.
enum class BoxAt { None, BeforeDrop, AfterDrop };

// Takes the tool back to "not connected": the connect button offers to connect, `connected`
// is 0, the operation buttons are disabled, the port is closed and the status line shows
// `status`; `message` is shown where `box` says.
void drop_link(const char* status, BoxAt box = BoxAt::None, uint32_t message = 0);

void show_status(const char* status);

}  // namespace app
