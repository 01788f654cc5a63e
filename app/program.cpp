// The program's own parts of its start-up: the entry routine and the handler table (the code
// base the form template's handler offsets point into). The program that runs the tool puts
// them into its start-up record.
#include "app/factory_reset.h"
#include "app/field_checks.h"
#include "app/form_created.h"
#include "app/globals.h"
#include "app/link.h"
#include "app/program.h"
#include "app/read_settings.h"
#include "app/settings_file.h"
#include "app/write_settings.h"
#include "app_texts.h"
#include "main_form_ids.h"
#include "runtime/event.h"

namespace app {
namespace {

// Adapts a handler without arguments to the event handler shape.
template <void (*F)()>
int32_t plain(const int32_t*, int) {
  F();
  return 0;
}

int32_t data_received(const int32_t* args, int count) {
  if (count >= 1) on_data_received(args[0]);
  return 0;
}

struct HandlerTable {
  rt::EventHandler entries[kMainFormHandlerCount] = {};
  constexpr HandlerTable() {
    entries[kHandlerFormCreated] = plain<on_form_created>;
    entries[kHandlerConnectClicked] = plain<on_connect_clicked>;
    entries[kHandlerDataReceived] = data_received;
    entries[kHandlerRxWindowTick] = plain<on_rx_window_tick>;
    entries[kHandlerModePollTick] = plain<on_mode_poll_tick>;
    entries[kHandlerReadClicked] = plain<on_read_clicked>;
    entries[kHandlerWriteClicked] = plain<on_write_clicked>;
    entries[kHandlerResetClicked] = plain<on_reset_clicked>;
    entries[kHandlerSaveClicked] = plain<on_save_clicked>;
    entries[kHandlerCheckDeviceId] = plain<check_device_id>;
    entries[kHandlerCheckServerPort] = plain<check_server_port>;
    entries[kHandlerCheckWorkBaud] = plain<check_work_baud>;
    entries[kHandlerCheckHeartbeat] = plain<check_heartbeat>;
    entries[kHandlerCheckCharTimeout] = plain<check_char_timeout>;
    entries[kHandlerCheckRing1] = plain<check_ring1>;
    entries[kHandlerCheckRing2] = plain<check_ring2>;
    entries[kHandlerCheckSms1] = plain<check_sms1>;
    entries[kHandlerCheckSms2] = plain<check_sms2>;
    entries[kHandlerCheckLinkBaud] = plain<check_link_baud>;
  }
};

constexpr HandlerTable kHandlerTable;
constexpr rt::CodeBase kCodeBase{kMainFormHandlerCount, kHandlerTable.entries};

}  // namespace

void start_program() {
  const rt::HelperTable& h = rt::helpers();
  h.startup_service(rt::startup_op::kInitialise, 0, 0);
  create_globals();
  h.startup_service(rt::startup_op::kRegisterEndRoutine, reinterpret_cast<intptr_t>(&end_of_program), 0);
  h.load_start_form(kMainForm);
}

const rt::CodeBase& code_base() { return kCodeBase; }

int program_entry() {
  start_program();
  rt::helpers().run_message_loop();
  return 0;
}

}  // namespace app
