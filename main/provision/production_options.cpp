#include "main/provision/production_options.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "main/cli/options.h"

namespace provision {
namespace {

std::optional<int> parse_int(std::string_view s, int lo, int hi) {
  int n = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size() || n < lo || n > hi) return std::nullopt;
  return n;
}

struct CommandShape {
  ProductionCommand command;
  const char* name;                   // as the command line spells it
  std::vector<std::string> values;    // options that take a value
  std::vector<std::string> flags;     // options that take none
  std::vector<std::string> required;
};

const std::vector<CommandShape>& shapes() {
  static const std::vector<CommandShape> all = {
      {ProductionCommand::JobCreate, "job create", {"--db", "--name", "--from", "--units"}, {}, {"--db", "--name", "--from", "--units"}},
      {ProductionCommand::JobStatus, "job status", {"--db", "--job"}, {"--json"}, {"--db", "--job"}},
      {ProductionCommand::JobExport, "job export", {"--db", "--job"}, {"--json", "--csv"}, {"--db", "--job"}},
      {ProductionCommand::JobReport, "job report", {"--db", "--job", "--html"}, {}, {"--db", "--job", "--html"}},
      {ProductionCommand::JobResolve, "job resolve", {"--db", "--job", "--unit", "--note"}, {"--to-pool", "--set-aside"},
       {"--db", "--job", "--unit"}},
      {ProductionCommand::Provision, "provision", {"--db", "--job", "--port", "--bench", "--baud", "--lease"}, {},
       {"--db", "--job", "--port"}},
  };
  return all;
}

bool listed(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::string apply(const std::string& name, const std::string& value, ProductionOptions& o) {
  if (value.empty() && name != "--bench" && name != "--note") return name + " needs a value";
  if (name == "--db") o.db = value;
  else if (name == "--name" || name == "--job") o.job = value;
  else if (name == "--from") o.base_file = value;
  else if (name == "--units") o.units_csv = value;
  else if (name == "--html") o.html_file = value;
  else if (name == "--unit") o.unit = value;
  else if (name == "--note") {
    if (value.size() > 500 || std::any_of(value.begin(), value.end(), [](char c) {
          return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F;
        }))
      return "--note: expected one line of at most 500 characters";
    o.note = value;
  }
  else if (name == "--bench") {
    if (value.empty() || value.size() > 64 || std::any_of(value.begin(), value.end(), [](char c) {
          return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        }))
      return "--bench " + value + ": expected a name of 1 to 64 characters, without control characters";
    o.bench = value;
  } else if (name == "--port") {
    cli::PortName port;
    if (!cli::parse_port(value, port)) return "--port " + value + ": expected COM1 to COM15 or a device path";
    if (listed(o.ports, value)) return "--port " + value + " is given twice";
    o.ports.push_back(value);
  } else if (name == "--baud") {
    const auto baud = parse_int(value, 1, 1 << 30);
    if (!baud || std::find(cli::kLinkBaudRates.begin(), cli::kLinkBaudRates.end(), *baud) == cli::kLinkBaudRates.end())
      return "--baud " + value + ": expected one of 300 600 1200 2400 4800 9600 19200 38400 57600 115200";
    o.baud = *baud;
  } else if (name == "--encoding") {
    const std::optional<platform::ConsoleEncoding> encoding = cli::parse_encoding(value);
    if (!encoding) return "--encoding " + value + ": expected utf-8 or console";
    o.encoding = *encoding;
  } else if (name == "--lease") {
    const auto seconds = parse_int(value, 2, 3600);
    if (!seconds) return "--lease " + value + ": expected whole seconds from 2 to 3600";
    o.lease_ms = *seconds * 1000;
  }
  return "";
}

}  // namespace

bool is_production_command(const std::vector<std::string>& args) {
  return !args.empty() && (args[0] == "job" || args[0] == "provision");
}

std::string parse_production_options(const std::vector<std::string>& args, ProductionOptions& o) {
  o = ProductionOptions{};
  size_t first = 1;
  std::string command = args.at(0);
  if (command == "job") {
    if (args.size() < 2) return "job needs one of create, status, export, report, resolve";
    command += " " + args[1];
    first = 2;
  }
  const auto shape = std::find_if(shapes().begin(), shapes().end(), [&](const CommandShape& s) { return command == s.name; });
  if (shape == shapes().end())
    return "unknown command \"" + command + "\" (job takes create, status, export, report or resolve)";
  o.command = shape->command;
  std::vector<std::string> seen;
  for (size_t i = first; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> value;
    const size_t eq = name.find('=');
    if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
    }
    if (listed(shape->flags, name)) {
      if (value) return name + " takes no value";
      if (name == "--json") o.json = true;
      if (name == "--csv") o.csv = true;
      if (name == "--to-pool") o.to_pool = true;
      seen.push_back(name);
      continue;
    }
    if (!listed(shape->values, name) && name != "--encoding")
      return std::string(name.rfind("-", 0) == 0 ? "unknown option " : "unexpected argument ") + name + " for " +
             shape->name;
    if (!value) {
      if (i + 1 >= args.size()) return name + " needs a value";
      value = args[++i];
    }
    if (name != "--port" && listed(seen, name)) return name + " is given twice";
    seen.push_back(name);
    std::string error = apply(name, *value, o);
    if (!error.empty()) return error;
  }
  for (const std::string& required : shape->required)
    if (!listed(seen, required)) return std::string(shape->name) + " needs " + required;
  if (o.command == ProductionCommand::JobExport && o.json == o.csv) return "job export needs one of --csv and --json";
  if (o.command == ProductionCommand::JobResolve && listed(seen, "--to-pool") == listed(seen, "--set-aside"))
    return "job resolve needs one of --to-pool and --set-aside";
  return "";
}

std::vector<std::string> port_arguments(const ProductionOptions& o, const std::string& port) {
  // The bench reads its ports' lines as UTF-8.
  return {"provision", "--db", o.db, "--job", o.job, "--port", port, "--bench", o.bench, "--baud",
          std::to_string(o.baud), "--lease", std::to_string(o.lease_ms / 1000), "--encoding", "utf-8"};
}

std::string production_help() {
  return "Production runs (a job of many DTUs, journaled):\n"
         "  dtu-setup-cli job create --db DB --name NAME --from BASE_FILE --units UNITS.csv\n"
         "  dtu-setup-cli provision --db DB --job NAME --port PORT [--port PORT]... [--bench NAME]\n"
         "                [--baud N] [--lease S]\n"
         "  dtu-setup-cli job status --db DB --job NAME [--json]\n"
         "  dtu-setup-cli job export --db DB --job NAME --csv|--json\n"
         "  dtu-setup-cli job report --db DB --job NAME --html FILE\n"
         "  dtu-setup-cli job resolve --db DB --job NAME --unit ID (--to-pool | --set-aside) [--note TEXT]\n"
         "\n"
         "  DB is an SQLite file for one bench (made by job create) or postgresql://USER@HOST/DATABASE\n"
         "  for several benches sharing one job. A job is a base settings file (the settings-file\n"
         "  format) and a CSV file: a header row of keys (any of ID IP PT DN AP TM UB HT OT RV1 RV2\n"
         "  SS1 SS2) and one row per unit, each with its own ID. Every row is checked with the\n"
         "  window's field checks when the job is made; one bad row refuses the whole job.\n"
         "  provision runs until the job is done or it is stopped: on each port it waits for a DTU\n"
         "  to boot (plug and power the next unit), reads it, writes the next unit's thirteen\n"
         "  settings, reads them back and compares every value, journals the outcome and prints\n"
         "  one line (\"COM5 DTU-0042 done 7.1 s\"). A DTU that reports a unit already done is not\n"
         "  written again; one reporting a done unit's ID with other settings is never written\n"
         "  with that ID; a DTU of another job is left alone. A unit whose DTU failed once it had\n"
         "  been sent anything stays with that DTU (in doubt) until it boots again on any bench;\n"
         "  after 3 failed attempts it is set aside. --bench names this bench in the journal\n"
         "  (default: the machine's name); --lease is how long its claims outlive it should it\n"
         "  stop answering (default 30 s): then units it had not begun to write return to the\n"
         "  pool, and one it was writing is in doubt until a DTU reporting that ID boots.\n"
         "  job resolve is a person's answer for a unit in doubt or set aside whose DTU will not\n"
         "  come back: --to-pool gives it to the next DTU (say so only when no DTU holds its ID),\n"
         "  --set-aside ends it; job status lists the units that wait for such an answer.\n"
         "\n"
         "  Example, one bench with two adapters:\n"
         "    dtu-setup-cli job create --db run.sqlite --name batch-7 --from base.txt --units units.csv\n"
         "    dtu-setup-cli provision --db run.sqlite --job batch-7 --port COM5 --port COM6\n"
         "    dtu-setup-cli job report --db run.sqlite --job batch-7 --html batch-7.html\n"
         "  Several benches, one server:\n"
         "    dtu-setup-cli job create --db postgresql://maker@db.plant/prod --name batch-8 --from base.txt --units units.csv\n"
         "    dtu-setup-cli provision --db postgresql://maker@db.plant/prod --job batch-8 --bench line-1 --port COM5 --port COM6\n"
         "    (the same on each bench with its own --bench name; job status from anywhere)\n";
}

}  // namespace provision
