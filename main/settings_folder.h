// Where the tool keeps its settings file "data.txt": the program's own folder wherever that
// can work (a build folder, an unpacked or portable copy), else the user's own folder for
// the tool ($XDG_CONFIG_HOME/dtu-setup, by default ~/.config/dtu-setup; %APPDATA%\dtu-setup
// on Windows). Chosen once, at start-up, as the folder made current; the tool's logic only
// ever names "data.txt".
#pragma once

#include <string>

namespace tool {

// The start-up's directory service: makes `program_dir` current when it holds the settings
// file or may be written; otherwise the user's folder (created when missing), telling the
// runtime so. What cut-short saves left in the folder chosen is settled first: a settings
// file they left missing is put back from its newest complete copy (and the user's folder is
// then never seeded over it); their leftovers are removed once the file is whole. False when
// no folder could be made current.
bool enter_settings_folder(const std::string& program_dir);

}  // namespace tool
