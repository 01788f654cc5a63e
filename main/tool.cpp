#include "main/tool.h"

#include "app/program.h"
#include "app_texts.h"
#include "forms/extended_ui_library.h"
#include "forms/form_runtime.h"
#include "main/settings_folder.h"
#include "main_form_ids.h"
#include "runtime/library/commands.h"
#include "platform/process.h"
#include "runtime/program.h"
#include "runtime/runtime_app.h"
#include "units/core_library.h"

namespace tool {
namespace {

const rt::LibraryDescriptor* const kLibraries[3] = {&units::core_library(), &rt::special_library(),
                                                     &forms::extended_ui_library()};

const rt::StartupRecord kStartupRecord = {
    3,                          // run mode
    0,                          // reserved
    0x1068B,                    // identification value
    &app::code_base(),          // code base: the handler table
    app::texts::area,           // constant area: the tool's GBK texts
    app::texts::area_size,
    app::kMainFormSegment,      // the main form's template segment
    app::kMainFormSegmentSize,
    3,
    kLibraries,
    0,                          // no external functions
};

}  // namespace

void register_layers() { forms::register_form_runtime(); }

const rt::StartupRecord& startup_record() { return kStartupRecord; }

int run() {
  register_layers();
  rt::set_process_services({&platform::program_path, &enter_settings_folder});
  return rt::run_program(kStartupRecord, app::program_entry);
}

}  // namespace tool
