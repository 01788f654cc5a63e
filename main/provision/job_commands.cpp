#include "main/provision/job_commands.h"

#include "main/cli/report.h"
#include "main/journal/journal.h"
#include "main/provision/job_create.h"
#include "main/provision/job_outputs.h"
#include "main/provision/job_summary.h"
#include "main/provision/report_html.h"
#include "platform/files.h"
#include "platform/process.h"

namespace provision {
namespace {

// A person's answer for a unit that waits for one.
int resolve_unit(const ProductionOptions& o, journal::Journal& journal, const Console& console) {
  const journal::Job job = journal.job(o.job);
  const std::string user = platform::environment("USER").value_or(platform::environment("USERNAME").value_or(""));
  const std::string who = user.empty() ? platform::host_name() : user + "@" + platform::host_name();
  const journal::UnitState state = journal.resolve(
      job.id, o.unit, o.to_pool ? journal::Resolution::ToPool : journal::Resolution::SetAside, o.note, who);
  console.err("job resolve: " + o.unit + " is now " + state_words(state) +
              (state == journal::UnitState::Pending ? ": the next DTU without a unit gets it" : ""));
  return cli::kOk;
}

int report_summary(const ProductionOptions& o, journal::Journal& journal, const Console& console) {
  const JobSummary s = o.command == ProductionCommand::JobStatus ? job_status(journal, o.job, wall_clock_ms())
                                                                 : summarize(journal, journal.job(o.job), wall_clock_ms());
  switch (o.command) {
    case ProductionCommand::JobStatus: console.out(o.json ? status_json(s) : status_text(s)); return cli::kOk;
    case ProductionCommand::JobExport: console.out(o.json ? export_json(s) : export_csv(s)); return cli::kOk;
    case ProductionCommand::JobReport: {
      const std::string html = report_html(s);
      // All or nothing, whether the page is new or replaces an older one.
      if (!platform::create_file_atomically(o.html_file, html.data(), html.size()) &&
          !platform::replace_file_atomically(o.html_file, html.data(), html.size())) {
        console.err("job report: cannot write " + o.html_file + "; it is left as it was");
        return cli::kFailed;
      }
      console.err("job report: " + o.html_file + " written (" + std::to_string(s.counts.total()) + " units)");
      return cli::kOk;
    }
    default: return cli::kUsage;
  }
}

}  // namespace

JobSummary job_status(journal::Journal& journal, const std::string& name, int64_t now_ms) {
  const journal::Job job = journal.job(name);
  try {
    journal.settle_lapsed(job.id);
  } catch (const journal::DbError& e) {
    // A journal this user may only read (a supervisor's role) still shows where the job stands.
    if (e.kind != journal::DbError::Kind::Refused) throw;
  }
  return summarize(journal, job, now_ms);
}

int run_job_command(const ProductionOptions& o, const Console& console) {
  const bool create = o.command == ProductionCommand::JobCreate;
  std::unique_ptr<journal::Journal> journal;
  try {
    journal = journal::Journal::open(o.db, create);
  } catch (const journal::DbError& e) {
    console.err(std::string("the journal cannot be used: ") + e.what());
    return kJournalUnavailable;
  } catch (const journal::JournalError& e) {
    console.err(std::string("the journal cannot be used: ") + e.what());
    return kJournalUnavailable;
  }
  try {
    if (create) return create_job(o, *journal, console);
    if (o.command == ProductionCommand::JobResolve) return resolve_unit(o, *journal, console);
    return report_summary(o, *journal, console);
  } catch (const journal::JournalError& e) {
    console.err(e.what());
    return cli::kUsage;
  } catch (const journal::DbError& e) {
    console.err(std::string("the journal failed: ") + e.what());
    return kJournalUnavailable;
  }
}

}  // namespace provision
