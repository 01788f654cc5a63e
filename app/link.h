// The serial link: connecting and disconnecting, turning received bytes into bursts, the
// setting-mode handshake, and the one command exchange every operation uses.
#pragma once

#include <cstdint>

namespace app {

void on_connect_clicked();
void on_data_received(int32_t byte);
void on_rx_window_tick();
void on_mode_poll_tick();

// Sends `command` CR LF, shows `status`, then polls every 100 ms, up to `poll_limit` times,
// for "OK" in the newest burst. True when one poll found it.
bool run_command(const char* command, const char* status, int poll_limit);

void show_status(const char* status);

}  // namespace app
