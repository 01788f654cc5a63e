#include "main/provision/production.h"

#include <algorithm>

#include "main/cli/console_io.h"
#include "main/cli/port_processes.h"
#include "main/cli/report.h"
#include "main/journal/journal.h"
#include "main/provision/job_commands.h"
#include "main/provision/port_worker.h"
#include "main/provision/production_options.h"
#include "platform/process.h"

namespace provision {
namespace {

using cli::err;
using cli::out;

// A bench of several ports: a process for each (the tool has one set of globals), their
// lines passed on at once; the highest exit status among them.
int run_bench(const ProductionOptions& o) {
  int status = cli::kOk;
  cli::PortProcesses how;
  how.arguments = [&](const std::string& port) { return port_arguments(o, port); };
  how.not_started = [&](size_t i, const std::string& error) {
    err(o.ports[i] + " cannot start a process for this port: " + error);
    status = cli::kFailed;
  };
  how.line = [](size_t, platform::ChildStream stream, std::string_view line) {
    if (stream == platform::ChildStream::Out) out(std::string(line) + "\n");
    else err(line);
  };
  for (const int port_status : cli::run_port_processes(o.ports, how)) status = std::max(status, port_status);
  return status;
}

// Before any DTU is touched: the journal answers, is of a schema this program knows, and
// holds the job. A bench says where it stands.
int check_journal(const ProductionOptions& o, bool tell) {
  std::unique_ptr<journal::Journal> j;
  try {
    j = journal::Journal::open(o.db, false);
  } catch (const std::exception& e) {
    err(std::string("provision: the journal cannot be used: ") + e.what());
    return kJournalUnavailable;
  }
  try {
    const journal::Job job = j->job(o.job);
    const journal::Counts c = j->counts(job.id);
    if (tell)
      err("provision: job " + job.name + " in " + j->db().where() + ": " + std::to_string(c.pending) + " pending, " +
        std::to_string(c.done) + " done, " + std::to_string(c.set_aside + c.in_doubt) + " set aside; bench " + o.bench);
    return cli::kOk;
  } catch (const journal::JournalError& e) {
    err(std::string("provision: ") + e.what());
    return cli::kUsage;
  } catch (const journal::DbError& e) {
    err(std::string("provision: the journal cannot be used: ") + e.what());
    return kJournalUnavailable;
  }
}

}  // namespace

int run_production(const std::vector<std::string>& args, const platform::headless::SerialOpener& devices) {
  ProductionOptions o;
  if (const std::string error = parse_production_options(args, o); !error.empty()) {
    err("dtu-setup-cli: " + error + " (see dtu-setup-cli --help)");
    return cli::kUsage;
  }
  platform::set_console_encoding(o.encoding);
  // The tool runs in a folder of its own: a journal file named relative to where the command
  // was given is named from there, for the port, its lease keeper and the port processes alike.
  o.db = journal::absolute_target(o.db);
  const Console console{out, err};
  if (o.command != ProductionCommand::Provision) return run_job_command(o, console);
  if (o.bench.empty()) o.bench = platform::host_name().empty() ? "bench" : platform::host_name();
  if (const int status = check_journal(o, o.ports.size() > 1); status != cli::kOk) return status;
  // One port stops in order (a claim it holds goes back, a cut write is left in doubt);
  // several pass the request on to their processes.
  if (o.ports.size() > 1)
    cli::watch_stops([](int, const char* what) { cli::stop_port_processes(std::string_view(what) == "SIGINT"); },
                     cli::Again::EndAtOnce);
  else
    cli::watch_stops(stop_port, cli::Again::EndAtOnce);
  if (o.ports.size() > 1) return run_bench(o);
  return run_port(o, devices, console);
}

}  // namespace provision
