// Arbitrary bytes as what the tool reads from the outside world: the DTU's replies (banner,
// listing, answers) and the settings file at start. The real main form runs on the headless
// backend; every input must leave the tool running, with no sanitizer report. Whatever the
// listing put into the fields then goes through the write's field checks and is saved.
//
// Input layout: the first byte picks how the rest is split into a settings file and a
// reply burst.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "app/field_checks.h"
#include "app/globals.h"
#include "fuzz/scratch_dir.h"
#include "app/link.h"
#include "app/program.h"
#include "app/read_settings.h"
#include "app/settings_file.h"
#include "platform/backend.h"
#include "platform/headless/headless_backend.h"
#include "platform/process.h"
#include "runtime/helpers.h"
#include "main/tool.h"
#include "runtime/program.h"
#include "runtime/runtime_app.h"

namespace {

std::string g_dir;
std::string program_path() { return g_dir + "/dtu-setup"; }
bool set_directory(const std::string& dir) { return platform::set_current_directory(dir); }

platform::headless::HeadlessBackend& started_tool() {
  static platform::headless::HeadlessBackend* backend = [] {
    auto* b = new platform::headless::HeadlessBackend();
    b->set_exit_throws(true);
    platform::set_backend(b);
    g_dir = fuzz_support::scratch_dir("dtu-app-fuzz");
    rt::set_process_services({program_path, set_directory});
    tool::register_layers();
    rt::set_startup_record(&tool::startup_record());
    app::start_program();
    b->settle();
    return b;
  }();
  return *backend;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::headless::HeadlessBackend& ui = started_tool();
  if (size == 0) return 0;
  size_t cut = 1 + (data[0] * (size - 1)) / 255;
  std::string file(reinterpret_cast<const char*>(data + 1), cut - 1);
  std::string burst(reinterpret_cast<const char*>(data + cut), size - cut);

  // The monitor would otherwise grow with every input.
  rt::helpers().write_property(app::kMainForm, app::unit::kMonitor.id, app::prop::kEditContent, -1, 0, 0);
  std::ofstream(g_dir + "/data.txt", std::ios::binary | std::ios::trunc) << file;
  app::load_settings_file();

  // The burst arrives byte by byte and closes with the receive window's tick.
  for (unsigned char c : burst) app::on_data_received(c);
  app::on_rx_window_tick();
  ui.settle();
  app::fill_fields_from_listing(app::byte_array_text(app::globals().reply).arg());
  app::check_all_fields();
  app::on_save_clicked();
  ui.settle();
  ui.clear_message_boxes();
  return 0;
}
