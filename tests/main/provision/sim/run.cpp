#include "tests/main/provision/sim/run.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "main/journal/journal.h"
#include "main/provision/job_commands.h"
#include "main/provision/job_outputs.h"
#include "main/provision/job_summary.h"
#include "tests/main/provision/sim/bench.h"
#include "tests/main/provision/sim/sqlite_world.h"

namespace sim {
namespace {

using journal::UnitState;
using provision::Verdict;

constexpr int64_t kSecond = 1000, kMinute = 60 * kSecond, kHour = 60 * kMinute;
constexpr int64_t kLimit = 16 * kHour;  // a run that has not ended by then never will

journal::Values factory_values(const std::string& id) {
  return {id, "0.0.0.0", "5000", "factory.example", "cmnet", "TCP", "9600", "30", "100", "0", "", "", ""};
}

journal::Values unit_values(const std::string& id, int seq) {
  return {id, "10.1.2.3", "9000", "dn-" + id, "cmnet", "TCP", "115200", "60", "300", "1", "", std::to_string(13900000000 + seq), ""};
}

std::string id_of(const std::string& prefix, int seq) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d", seq);
  return prefix + text;
}

// Where a DTU is when it is not on a port.
enum class Shelf { None, Done, Rework, Aside, Problem, Spare };

struct Run {
  Run(uint64_t seed, const RunOptions& o) : world(seed, o.trace), options(o), floor(world, faults) {}

  World world;
  Faults faults;
  const RunOptions& options;
  Floor floor;
  std::map<int, Shelf> shelf;            // by serial
  std::map<int, int64_t> rework_due;     // by serial
  std::map<int, int> conflicts;          // by serial
  std::vector<std::string> ids;          // the job's IDs
  std::vector<Dtu*> other_job_dtus;      // DTUs of another job, to turn up now and then
  double flaky = 0, stale = 0, clones = 0;
  int64_t span = kMinute;
  bool power_off = false;
  std::string summary;

  // ---- the journal as a person sees it: one quiet connection, closed before a power cut
  std::unique_ptr<journal::Journal> seen;
  int64_t seen_job = 0;
  journal::Journal& god() {
    if (!seen) {
      seen = floor.plain_journal();
      seen_job = seen->job(floor.job).id;
    }
    return *seen;
  }
  journal::Counts counts() { return god().counts(seen_job); }
  bool finished() { return counts().finished(); }
  bool all_ended() {
    return std::all_of(floor.processes.begin(), floor.processes.end(), [](const auto& p) { return !p->running; });
  }

  void setup();
  void technician();
  void person();
  void grid(int cuts, bool postgres);
  Dtu* next_dtu(Port& port);
  void decide(Process& p);
  void check(bool ended_in_time);
  void trace_events(const std::vector<journal::Event>& events, int seq);
};

void Run::setup() {
  if (options.database == "sqlite") {
    floor.target = options.folder + "/run.sqlite";
    for (const char* suffix : {"", "-wal", "-shm"}) ::unlink((floor.target + suffix).c_str());
  } else {
    floor.target = options.database;
    // Each run starts from an empty journal: the tables emptied (made by the first run).
    auto db = journal::open_database(floor.target, false);
    if (!db->query("SELECT 1 FROM pg_tables WHERE tablename = 'events'").empty())
      db->query("TRUNCATE events, units, sessions, jobs RESTART IDENTITY");
  }
  floor.job = "sim";
  const int units = static_cast<int>(world.between(3, 12));
  journal::NewJob plan;
  plan.name = floor.job;
  plan.base_file = "base.txt";
  plan.base = factory_values("BASE");
  plan.keys = {"ID", "DN", "SS1"};
  for (int i = 1; i <= units; ++i) {
    ids.push_back(id_of("U-", i));
    plan.units.push_back(unit_values(ids.back(), i));
  }
  {
    // Made as job create makes it, on a connection closed before any bench starts.
    auto j = std::make_unique<journal::Journal>(std::make_unique<FaultyDatabase>(
        world, nullptr, journal::open_database(floor.target, true), nullptr));
    j->prepare_schema();
    j->create_job(plan);
    if (world.chance(0.4)) {
      // Another job in the same journal: its DTUs turn up on this job's benches.
      journal::NewJob other = plan;
      other.name = "other";
      other.units.clear();
      for (int i = 1; i <= 2; ++i) other.units.push_back(unit_values(id_of("OTHER-", i), i));
      const int64_t o = j->create_job(other).id;
      const int64_t s = j->open_session(o, {"Z", "COM1", "host-Z", 1}, 1000);
      for (int i = 1; i <= 2; ++i) {
        const auto u = j->claim_next(o, s);
        j->start_writing(o, u->seq, s, factory_values("F-OTHER"));
        if (i == 1) j->finish(o, u->seq, s, u->target, 1);
        auto d = std::make_unique<Dtu>();
        d->serial = static_cast<int>(floor.dtus.size()) + 1;
        d->settings = u->target;
        d->other_job = true;
        other_job_dtus.push_back(d.get());
        floor.dtus.push_back(std::move(d));
      }
      j->end_session(o, s, "stopped");
      // A job sharing an ID with one that is not finished is refused.
      journal::NewJob overlap = other;
      overlap.name = "overlap";
      overlap.units = {unit_values(ids.front(), 1)};
      try {
        j->create_job(overlap);
        floor.violation("a job sharing ID " + ids.front() + " with an unfinished job was made");
      } catch (const journal::JournalError&) {
        // As it must be.
      }
    }
  }
  const int benches = static_cast<int>(world.between(1, 3));
  for (int b = 0; b < benches; ++b) {
    const int ports = static_cast<int>(world.between(1, 3));
    for (int q = 0; q < ports; ++q) {
      auto p = std::make_unique<Process>();
      p->bench = std::string(1, static_cast<char>('A' + b));
      p->port.name = p->bench + "/COM" + std::to_string(5 + q);
      p->clock_rate = world.real_between(0.8, 1.25);
      p->clock_offset = world.between(-3 * kHour, 3 * kHour);
      floor.processes.push_back(std::move(p));
    }
  }
  const double rates[] = {0, 0, 0.002, 0.01, 0.03};
  floor.kill_rate = rates[world.between(0, 4)];
  floor.lease_ms = world.between(5, 40) * kSecond;
  floor.stall_rate = world.chance(0.3) ? 0.05 : 0;
  floor.unconfirmed_rate = world.chance(0.3) ? 0.05 : 0;
  faults.lose_answer = rates[world.between(0, 4)];
  faults.drop = rates[world.between(0, 4)];
  faults.busy = rates[world.between(0, 4)];
  flaky = world.chance(0.6) ? world.real_between(0.05, 0.3) : 0;
  stale = world.chance(0.3) ? 0.05 : 0;
  clones = world.chance(0.3) ? 0.05 : 0;
  const bool postgres = options.database != "sqlite";
  // Faults fall within the time the run would take without them.
  span = std::max<int64_t>(kMinute, units * 10 * kSecond / static_cast<int64_t>(floor.processes.size()) + kMinute);
  const int episodes = static_cast<int>(world.between(0, 2));
  for (int e = 0; e < episodes; ++e) {
    Episode ep;
    ep.from = world.between(0, span);
    ep.until = ep.from + world.between(10 * kSecond, 5 * kMinute);
    ep.rate = world.real_between(0.3, 1.0);
    switch (world.between(0, 3)) {
      case 0: ep.what = "disk full"; ep.code = 13; ep.sqlstate = "53100"; ep.writes_only = true; break;
      case 1: ep.what = "read-only"; ep.code = 8; ep.sqlstate = "25006"; ep.writes_only = true; break;
      case 2: ep.what = "time-out"; ep.code = 15; ep.sqlstate = "57014"; break;
      default: ep.what = "I/O error"; ep.code = 10; ep.sqlstate = "58030"; break;
    }
    faults.episodes.push_back(ep);
  }
  const int cuts = static_cast<int>(world.between(0, 2));
  summary = std::to_string(floor.processes.size()) + " ports, " + std::to_string(units) + " units, lease " +
            std::to_string(floor.lease_ms / 1000) + " s, kill " + std::to_string(floor.kill_rate) + ", lost answers " +
            std::to_string(faults.lose_answer) + ", drops " + std::to_string(faults.drop) + ", busy " +
            std::to_string(faults.busy) + ", flaky DTUs " + std::to_string(flaky) + ", " + std::to_string(episodes) +
            " error episodes, " + std::to_string(cuts) + (postgres ? " server restarts" : " power cuts") +
            (other_job_dtus.empty() ? "" : ", another job");
  world.trace("run: " + summary);
  floor.unit_state = [this](const std::string& id) -> std::optional<UnitState> {
    if (power_off) return std::nullopt;
    const auto u = god().find_unit(seen_job, id);
    return u ? std::optional<UnitState>(u->state) : std::nullopt;
  };
  for (auto& p : floor.processes) {
    Process* process = p.get();
    world.spawn(p->port.name + " start", [this, process] { start_process(floor, *process); }, world.between(0, 10 * kSecond));
  }
  world.spawn("technician", [this] { technician(); }, 0);
  world.spawn("person", [this] { person(); }, 2 * kMinute);
  world.spawn("grid", [this, cuts, postgres] { grid(cuts, postgres); }, 0);
}

// The next DTU for a free port: one back from rework, a spare, or a fresh one while units
// wait (now and then a clone of another DTU's ID, or a DTU of the other job).
Dtu* Run::next_dtu(Port& port) {
  for (auto& [serial, due] : rework_due) {
    if (due > world.now() || !world.chance(0.7)) continue;
    Dtu* d = floor.dtus[static_cast<size_t>(serial - 1)].get();
    rework_due.erase(serial);
    world.trace("technician brings DTU #" + std::to_string(d->serial) + " back from rework to " + port.name);
    return d;
  }
  if (!other_job_dtus.empty() && world.chance(0.05)) {
    Dtu* d = other_job_dtus.back();
    other_job_dtus.pop_back();
    world.trace("technician plugs DTU #" + std::to_string(d->serial) + " of the other job into " + port.name);
    return d;
  }
  if (counts().pending == 0) return nullptr;
  for (auto& [serial, where] : shelf) {
    if (where != Shelf::Spare) continue;
    where = Shelf::None;
    return floor.dtus[static_cast<size_t>(serial - 1)].get();
  }
  auto d = std::make_unique<Dtu>();
  d->serial = static_cast<int>(floor.dtus.size()) + 1;
  d->settings = factory_values("F-" + std::to_string(d->serial));
  if (world.chance(clones)) {
    // A DTU that comes from the factory reporting the ID of a unit done on another DTU (one
    // reporting the ID of a unit not yet done could be that unit's DTU: no bench can tell).
    std::vector<std::string> done;
    for (const auto& u : god().units(seen_job))
      if (u.state == UnitState::Done) done.push_back(u.dtu_id);
    if (!done.empty()) d->settings[0] = world.pick(done);
  }
  if (world.chance(flaky)) d->stops_at = static_cast<int>(world.between(0, 13));
  if (world.chance(stale)) d->keeps_old = static_cast<int>(world.between(1, 12));
  world.trace("technician plugs fresh DTU #" + std::to_string(d->serial) + " (" + d->settings[0] +
              (d->stops_at >= 0 ? ", stops answering at step " + std::to_string(d->stops_at) : "") + ") into " + port.name);
  floor.dtus.push_back(std::move(d));
  return floor.dtus.back().get();
}

// What the technician does with a DTU its port is done with, by what the port said.
void Run::decide(Process& p) {
  Port& port = p.port;
  Dtu* d = port.dtu;
  const std::string dtu = "DTU #" + std::to_string(d->serial);
  auto unplug_to = [&](Shelf where, const std::string& why) {
    shelf[d->serial] = where;
    port.dtu = nullptr;
    port.unread = 0;
    world.trace("technician takes " + dtu + " off " + port.name + ": " + why);
  };
  auto retry = [&] {
    port.needs_power = true;
    world.trace("technician keeps " + dtu + " on " + port.name + " to power it again");
  };
  auto rework = [&](int64_t lo, int64_t hi, double mends) {
    if (world.chance(mends)) d->stops_at = d->keeps_old = -1;
    rework_due[d->serial] = world.now() + world.between(lo, hi);
    unplug_to(Shelf::Rework, "to rework");
  };
  const Verdict verdict = port.verdict.value_or(Verdict::Unread);
  port.verdict.reset();
  switch (verdict) {
    case Verdict::Done:
    case Verdict::AlreadyDone: return unplug_to(Shelf::Done, "done");
    case Verdict::Unrecorded: return rework(30 * kSecond, 4 * kMinute, 0);
    case Verdict::FailedKept: {
      const double r = world.real_between(0, 1);
      if (r < 0.5) {
        if (world.chance(0.5)) d->stops_at = d->keeps_old = -1;
        return retry();
      }
      if (r < 0.85) return rework(kMinute, 8 * kMinute, 0.8);
      d->gone = true;
      return unplug_to(Shelf::None, "thrown away");
    }
    case Verdict::FailedBack: return retry();
    case Verdict::SetAside: return unplug_to(Shelf::Aside, "set aside");
    case Verdict::Conflict:
      if (++conflicts[d->serial] > 2) return unplug_to(Shelf::Problem, "for a person to look at");
      return rework(30 * kSecond, 4 * kMinute, 0);
    case Verdict::OtherJob: return unplug_to(Shelf::Problem, "not this job's");
    case Verdict::NothingToWrite: return unplug_to(Shelf::Spare, "not needed");
    case Verdict::Unread:
      if (++port.unread >= 3) return rework(kMinute, 5 * kMinute, 0.5);
      return retry();
    case Verdict::JobComplete: return unplug_to(Shelf::Spare, "the job is complete");
  }
}

// Restarts processes that died, takes handled DTUs off, plugs the next ones and powers them.
void Run::technician() {
  std::map<Process*, int64_t> restart_at;
  std::set<Process*> abandoned;  // benches down for the rest of the run
  for (;;) {
    // The journal is looked at only when a decision needs it.
    const bool any_down = !all_ended() ? std::any_of(floor.processes.begin(), floor.processes.end(),
                                                     [](const auto& p) { return !p->running && p->runs > 0; })
                                       : true;
    const bool done = !power_off && any_down && finished();
    if (done && all_ended()) return;
    for (auto& pp : floor.processes) {
      Process& p = *pp;
      if (!p.running) {
        if (p.runs == 0 || p.exit_status == 0 || done || power_off || abandoned.count(&p)) continue;
        // Now and then a bench stays down: its DTU goes to rework, and its claims are the
        // other benches' to settle.
        if (!restart_at.count(&p) && abandoned.size() + 1 < floor.processes.size() && world.chance(0.25)) {
          abandoned.insert(&p);
          world.trace("technician leaves " + p.port.name + " down");
          if (Dtu* d = p.port.dtu) {
            p.port.dtu = nullptr;
            if (world.chance(0.5)) {
              d->gone = true;
            } else {
              shelf[d->serial] = Shelf::Rework;
              rework_due[d->serial] = world.now() + world.between(kMinute, 5 * kMinute);
            }
          }
          continue;
        }
        auto [at, fresh] = restart_at.try_emplace(&p, world.now() + world.between(5 * kSecond, 3 * kMinute));
        if (world.now() >= at->second) {
          restart_at.erase(at);
          world.trace("technician starts " + p.port.name + " again");
          start_process(floor, p);
        }
        continue;
      }
      Port& port = p.port;
      if (port.dtu && port.handled) {
        port.handled = false;
        decide(p);
      }
      if (port.open && !port.dtu && !power_off) {
        port.dtu = next_dtu(port);
        port.needs_power = port.dtu != nullptr;
      }
      if (port.open && port.dtu && port.needs_power) {
        port.needs_power = false;
        port.boot = true;
        world.trace("technician powers on DTU #" + std::to_string(port.dtu->serial) + " on " + port.name);
        world.notify(port.changed);
      }
    }
    world.wait(floor.floor_changed, world.now() + 20 * kSecond);
  }
}

// Now and then a person looks at the job (job status, which settles expired leases) and
// answers the units in doubt whose DTUs will not come back: to the pool when no DTU holds the
// ID, set aside when one holds it that is not coming back (never guessing wrong).
void Run::person() {
  for (;;) {
    if (!power_off) {
      journal::Journal* j = &god();
      const journal::Job job = j->job(floor.job);
      const std::string status = provision::status_text(provision::job_status(*j, floor.job, world.now()));
      if (j->counts(job.id).finished()) return;
      for (const journal::Unit& u : j->outstanding(job.id)) {
        if (u.state != UnitState::InDoubt) continue;
        // A careful person first looks at the bench whose lease ran out while it wrote the
        // unit: if it still runs, the unit is its own to finish.
        if (u.session != 0 && std::any_of(floor.processes.begin(), floor.processes.end(),
                                          [&](const auto& p) { return p->running && p->session == u.session; }))
          continue;
        bool held = false, coming_back = false;
        for (const auto& d : floor.dtus) {
          if (d->gone || d->settings[0] != u.dtu_id) continue;
          held = true;
          const auto s = shelf.find(d->serial);
          const bool on_port = std::any_of(floor.processes.begin(), floor.processes.end(),
                                           [&](const auto& p) { return p->port.dtu == d.get(); });
          if (on_port || s == shelf.end() || s->second == Shelf::Rework || s->second == Shelf::Spare ||
              s->second == Shelf::None)
            coming_back = true;
        }
        if (coming_back) continue;
        const auto to = held ? journal::Resolution::SetAside : journal::Resolution::ToPool;
        j->resolve(job.id, u.dtu_id, to, held ? "its DTU is set aside" : "no DTU holds its ID", "sim");
        world.trace("person settles " + u.dtu_id + (held ? ": set aside" : ": to the pool"));
      }
    }
    world.sleep(world.between(kMinute, 4 * kMinute));
    world.notify(floor.floor_changed);
  }
}

// Power cuts of the bench's machine (SQLite: every process dies and what the disk had not
// synced is lost) or restarts of the database server (PostgreSQL: every connection is lost).
void Run::grid(int cuts, bool postgres) {
  std::vector<int64_t> at;
  for (int c = 0; c < cuts; ++c) at.push_back(world.between(5 * kSecond, span));
  std::sort(at.begin(), at.end());
  for (int64_t t : at) {
    world.sleep_until(t);
    if (postgres) {
      faults.down_until = world.now() + world.between(3 * kSecond, 2 * kMinute);
      world.trace("the database server restarts");
      continue;
    }
    world.trace("POWER CUT");
    power_off = true;
    seen.reset();
    sim::power_off();
    for (auto& p : floor.processes) kill_process(floor, *p);
    world.sleep(1);  // the processes' connections close on a disk without power
    sim::power_on();
    power_off = false;
    world.notify(floor.floor_changed);
  }
}

void Run::trace_events(const std::vector<journal::Event>& events, int seq) {
  for (const auto& e : events)
    if (e.seq == seq)
      world.trace("  event " + e.kind + " -> " + e.state + " session " + std::to_string(e.session) + " " + e.bench +
                  "/" + e.port + " at " + std::to_string(e.at_ms) + " step " + e.step + ": " + e.detail);
}

void Run::check(bool ended_in_time) {
  auto j = floor.plain_journal();
  const journal::Job job = j->job(floor.job);
  const journal::Counts c = j->counts(job.id);
  const auto units = j->units(job.id);
  const auto events = j->events(job.id);

  std::vector<std::pair<int, std::string>> stored;
  for (const auto& u : units) stored.emplace_back(u.seq, std::string(journal::state_name(u.state)));
  if (journal::replay_states(events) != stored) floor.violation("the journal's events do not replay to its units' states");

  if (!c.finished() || !ended_in_time) {
    std::string why = "the job did not end: " + std::to_string(c.pending) + " pending, " + std::to_string(c.claimed) +
                      " claimed, " + std::to_string(c.writing) + " writing, " + std::to_string(c.in_doubt) + " in doubt";
    for (const auto& p : floor.processes)
      if (p->running) why += "; " + p->port.name + " still runs (said: " + p->waiting_said + ")";
    floor.violation(why);
    for (const auto& u : j->outstanding(job.id)) {
      world.trace("  outstanding " + u.dtu_id + " " + std::string(journal::state_name(u.state)) + " session " +
                  std::to_string(u.session) + " step " + u.step);
      trace_events(events, u.seq);
    }
    for (const auto& s : j->sessions(job.id))
      world.trace("  session " + std::to_string(s.id) + " " + s.place.bench + "/" + s.place.port + " pid " +
                  std::to_string(s.place.pid) + " lease until " + std::to_string(s.lease_until_ms) + " ended " +
                  std::to_string(s.ended_ms));
  }
  for (const auto& p : floor.processes)
    if (p->running && c.pending == 0 && p->waiting_said.empty())
      floor.violation(p->port.name + " waits without saying what for");

  for (const auto& u : units) {
    if ((u.state == UnitState::SetAside || u.state == UnitState::InDoubt) && u.reason.empty())
      floor.violation(u.dtu_id + " is " + std::string(journal::state_name(u.state)) + " without a reason");
    if (u.state != UnitState::Done) continue;
    const bool on_a_dtu = std::any_of(floor.dtus.begin(), floor.dtus.end(), [&](const auto& d) {
      return d->settings == u.target && d->written_ids.count(u.dtu_id);  // thrown away since, or not
    });
    if (!on_a_dtu) {
      floor.violation(u.dtu_id + " is done but no DTU holds its settings");
      for (const auto& d : floor.dtus)
        if (d->settings[0] == u.dtu_id || d->written_ids.count(u.dtu_id)) {
          std::string held;
          for (const auto& v : d->settings) held += v + ",";
          world.trace("  DTU #" + std::to_string(d->serial) + (d->gone ? " (gone)" : "") + " holds " + held);
        }
    }
  }
  // No job ID written onto two DTUs that hold it (DTUs that came with an ID and were never
  // written with it are the factory's doing, which no bench can see).
  for (const std::string& id : ids) {
    std::string holders;
    int n = 0;
    for (const auto& d : floor.dtus)
      if (!d->gone && d->settings[0] == id && d->written_ids.count(id)) {
        ++n;
        holders += " #" + std::to_string(d->serial);
      }
    if (n > 1) {
      floor.violation(id + " is on " + std::to_string(n) + " DTUs:" + holders);
      for (const auto& u : units)
        if (u.dtu_id == id) trace_events(events, u.seq);
    }
  }
  for (const auto& d : floor.dtus)
    if (d->other_job && !d->written_ids.empty()) floor.violation("a DTU of the other job was written");
}

}  // namespace

RunOutcome run_seed(uint64_t seed, const RunOptions& options) {
  RunOutcome out;
  {
    Run run(seed, options);
    use_world_clock_in_sqlite(&run.world);
    if (options.database == "sqlite") install_power_cut_files();
    try {
      run.setup();
      run.world.run(kLimit);
      const bool ended = run.world.now() < kLimit && run.all_ended();
      run.world.kill_all();
      run.check(ended);
    } catch (const std::exception& e) {
      run.world.kill_all();
      run.floor.violation(std::string("the run itself failed: ") + e.what());
    }
    out.violations = run.floor.violations;
    for (const auto& e : run.world.escaped()) out.violations.push_back("escaped from " + e);
    out.trace = run.world.traced();
    out.summary = run.summary;
    use_world_clock_in_sqlite(nullptr);
  }
  if (options.database == "sqlite") forget_files(options.folder);
  return out;
}

}  // namespace sim
