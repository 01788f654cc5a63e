// The console program's production commands:
//   dtu-setup-cli job create --db DB --name NAME --from BASE_FILE --units UNITS.csv
//   dtu-setup-cli job status --db DB --job NAME [--json]
//   dtu-setup-cli job export --db DB --job NAME --csv|--json
//   dtu-setup-cli job report --db DB --job NAME --html FILE
//   dtu-setup-cli job resolve --db DB --job NAME --unit ID (--to-pool | --set-aside) [--note TEXT]
//   dtu-setup-cli provision --db DB --job NAME --port PORT [--port PORT]... [--bench NAME] [--baud N] [--lease S]
#pragma once

#include <string>
#include <vector>

#include "platform/console.h"

namespace provision {

// The journal could not be reached or used: nothing was done (no DTU touched).
inline constexpr int kJournalUnavailable = 7;

enum class ProductionCommand { JobCreate, JobStatus, JobExport, JobReport, JobResolve, Provision };

struct ProductionOptions {
  ProductionCommand command = ProductionCommand::JobStatus;
  std::string db;
  std::string job;        // --name for job create, --job otherwise
  std::string base_file;  // job create
  std::string units_csv;  // job create
  std::string html_file;  // job report
  bool json = false;      // job status, job export
  bool csv = false;       // job export
  std::string unit;       // job resolve: the unit's ID
  bool to_pool = false;   // job resolve: --to-pool (else --set-aside)
  std::string note;       // job resolve
  std::vector<std::string> ports;
  std::string bench;      // provision: "" = this machine's name
  int baud = 9600;
  int lease_ms = 30000;   // provision: how long a claim outlives a bench that stops answering
  platform::ConsoleEncoding encoding = platform::ConsoleEncoding::System;  // every command: --encoding
};

// The command lines these options parse start with "job" or "provision".
bool is_production_command(const std::vector<std::string>& args);

// "" when the command line is sound; otherwise what is wrong with it (exit status 2).
std::string parse_production_options(const std::vector<std::string>& args, ProductionOptions& options);

// The command line of the process that runs one port of a bench.
std::vector<std::string> port_arguments(const ProductionOptions& options, const std::string& port);

// The help text's part about the production commands.
std::string production_help();

}  // namespace provision
