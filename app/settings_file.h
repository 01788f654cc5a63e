// The settings file "data.txt": the thirteen values, each followed by "//", ended by a zero
// byte. Saved by the save button, loaded at every start.
#pragma once

namespace app {

void on_save_clicked();
void load_settings_file();

}  // namespace app
