// Restoring the DTU's factory settings with "%RST", and the form's factory values.
#pragma once

namespace app {

void on_reset_clicked();

}  // namespace app
