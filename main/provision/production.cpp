#include "main/provision/production.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "main/cli/report.h"
#include "main/journal/journal.h"
#include "main/provision/job_commands.h"
#include "main/provision/port_worker.h"
#include "main/provision/production_options.h"
#include "platform/child_processes.h"
#include "platform/console.h"
#include "platform/process.h"

namespace provision {
namespace {

std::atomic<platform::ChildProcesses*> g_ports{nullptr};

void out(std::string_view text) { platform::console_write(platform::ConsoleStream::Out, text); }
void err(std::string_view line) { platform::console_write(platform::ConsoleStream::Error, std::string(line) + "\n"); }

// A bench of several ports: a process for each (the tool has one set of globals), their
// lines passed on at once; the highest exit status among them.
int run_bench(const ProductionOptions& o) {
  platform::ChildProcesses ports;
  g_ports.store(&ports);
  const std::string program = platform::program_path();
  int status = cli::kOk;
  for (const std::string& port : o.ports) {
    std::string error;
    if (!ports.start(program, port_arguments(o, port), error)) {
      err(port + " cannot start a process for this port: " + error);
      status = cli::kFailed;
    }
  }
  ports.wait_all([](size_t, platform::ChildStream stream, std::string_view line) {
    if (stream == platform::ChildStream::Out) out(std::string(line) + "\n");
    else err(line);
  });
  g_ports.store(nullptr);
  for (size_t i = 0; i < ports.size(); ++i) status = std::max(status, ports.exit_status(i));
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

// The first request stops the work in order; a second one, should that hang, ends the
// process at once.
void watch_stops(bool several) {
  platform::watch_stop_requests([several](int exit_status, const char* what) {
    static std::atomic<int> requests{0};
    if (requests.fetch_add(1) > 0) {
      err(std::string("stopped by ") + what + " again: ending at once");
      std::_Exit(exit_status);
    }
    if (!several) return stop_port(exit_status, what);
    if (platform::ChildProcesses* ports = g_ports.load())
      ports->stop_all(std::string_view(what) == "SIGINT" ? platform::ChildStop::Interrupt : platform::ChildStop::Terminate);
  });
}

}  // namespace

int run_production(const std::vector<std::string>& args, const platform::headless::SerialOpener& devices) {
  ProductionOptions o;
  if (const std::string error = parse_production_options(args, o); !error.empty()) {
    err("dtu-setup-cli: " + error + " (see dtu-setup-cli --help)");
    return cli::kUsage;
  }
  platform::set_console_encoding(o.encoding);
  const Console console{out, err};
  if (o.command != ProductionCommand::Provision) return run_job_command(o, console);
  if (o.bench.empty()) o.bench = platform::host_name().empty() ? "bench" : platform::host_name();
  if (const int status = check_journal(o, o.ports.size() > 1); status != cli::kOk) return status;
  watch_stops(o.ports.size() > 1);
  if (o.ports.size() > 1) return run_bench(o);
  return run_port(o, devices, console);
}

}  // namespace provision
