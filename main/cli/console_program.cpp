#include "main/cli/console_program.h"

#include "main/cli/console_io.h"
#include "main/cli/fleet.h"
#include "main/cli/one_dtu.h"
#include "main/cli/options.h"
#include "main/cli/port_list.h"
#include "main/cli/port_processes.h"
#include "main/cli/report.h"
#include "main/provision/production.h"
#include "main/provision/production_options.h"
#include "dtu_version.h"
#include "platform/console.h"

namespace cli {
namespace {

int run_command(const std::vector<std::string>& args, const ConsoleSystem& system) {
  if (provision::is_production_command(args)) return provision::run_production(args, system.open_device);
  Options options;
  const std::string error = parse_options(args, options);
  if (!error.empty()) {
    err("dtu-setup-cli: " + error + " (see dtu-setup-cli --help)");
    return kUsage;
  }
  platform::set_console_encoding(options.encoding);
  switch (options.command) {
    case Command::Help: out(help_text() + "\n" + provision::production_help()); return kOk;
    case Command::Version: out(std::string("dtu-setup-cli ") + tool::kVersion + "\n"); return kOk;
    case Command::Ports: out(port_listing()); return kOk;
    default: break;
  }
  // One port stops in order (the port closed, the cut step named); several pass each request
  // on to their processes.
  if (options.ports.size() > 1)
    watch_stops([](int, const char* what) { stop_port_processes(std::string_view(what) == "SIGINT"); }, Again::PassOn);
  else
    watch_stops(stop_one_dtu, Again::EndAtOnce);
  if (options.ports.size() > 1) return run_fleet(options);
  OneDtuSetup setup;
  setup.options = &options;
  setup.port = options.ports.front();
  setup.open_device = system.open_device;
  setup.progress = err;
  setup.output = out;
  return run_one_dtu(setup);
}

}  // namespace

// Output that could not be written (a full disk, a closed pipe) is never an exit with
// success: a script would take the missing results for none.
int run_console(const std::vector<std::string>& args, const ConsoleSystem& system) {
  const int status = run_command(args, system);
  std::string why;
  if (!platform::console_output_lost(&why)) return status;
  err("dtu-setup-cli: the output could not be written (" + why + ")");
  return status == kOk ? kFailed : status;
}

}  // namespace cli
