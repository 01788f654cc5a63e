// The focus-lost checks of the ten checked fields, and the sweep the write runs first.
#pragma once

namespace app {

void check_device_id();
void check_server_port();
void check_work_baud();
void check_heartbeat();
void check_char_timeout();
void check_ring1();
void check_ring2();
void check_sms1();
void check_sms2();
void check_link_baud();

// Moves the focus through the thirteen setting fields, running their checks; false at the
// first failure.
bool check_all_fields();

}  // namespace app
