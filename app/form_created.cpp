#include "app/form_created.h"

#include "app/globals.h"
#include "app/settings_file.h"

namespace app {

void on_form_created() {
  set_disabled(unit::kConnectButton, false);
  set_operation_buttons(false);
  Globals& g = globals();
  g.check_passed = 0;
  g.connected = 0;
  write_int(unit::kPortBox, prop::kComboSelection, 1);      // "COM2"
  write_int(unit::kLinkBaudBox, prop::kComboSelection, 5);  // "9600"
  load_settings_file();
}

}  // namespace app
