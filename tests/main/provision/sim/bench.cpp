#include "tests/main/provision/sim/bench.h"

#include "main/journal/values.h"

namespace sim {
namespace {

using provision::Boot;

// The DTU on a port as the port flow reaches it: each exchange takes the time the real
// protocol takes (a command and its answer about half a second), and the process may be
// killed before any of them.
class SimDtuPort final : public provision::DtuPort {
 public:
  SimDtuPort(Floor& floor, Process& p) : f_(floor), p_(p), port_(p.port) {}

  bool open(std::string&) override {
    port_.open = true;
    f_.world.notify(f_.floor_changed);
    return true;
  }

  Boot wait_for_boot(int64_t within_ms) override {
    const int64_t deadline = f_.world.now() + virtual_ms(within_ms);
    while (!port_.boot && f_.world.now() < deadline) f_.world.wait(port_.changed, deadline);
    if (!port_.boot || !port_.dtu) return Boot::NoBanner;
    port_.boot = false;
    exchange(1100);  // the banner, the request and its confirmation
    if (!port_.dtu) return Boot::NoBanner;
    return f_.world.chance(f_.unconfirmed_rate) ? Boot::Unconfirmed : Boot::SettingMode;
  }

  provision::DtuRead read() override {
    exchange(600);
    if (!port_.dtu) return {false, "no listing", {}};
    return {true, "", port_.dtu->settings};
  }

  bool holds(const journal::Values& target, const journal::Values& read) override { return target == read; }

  provision::DtuWrite write(const journal::Values& target) override {
    Dtu* d = port_.dtu;
    if (f_.unit_state && f_.unit_state(target[0]) == journal::UnitState::Done)
      f_.violation(port_.name + " writes " + target[0] + ", a unit done on another DTU, onto DTU #" +
                   std::to_string(d ? d->serial : 0));
    for (size_t i = 0; i < journal::kValueCount; ++i) {
      const std::string key(journal::value_key(i));
      p_.writing_step = key;
      exchange(505);
      if (!d || port_.dtu != d) return {false, i > 0, key, "no answer"};
      if (d->stops_at == static_cast<int>(i)) {
        if (f_.world.chance(0.5)) take(*d, i, target);  // it took the value, its answer was lost
        return {false, true, key, "no answer"};
      }
      take(*d, i, target);
    }
    return {true, true, "", ""};
  }

  provision::DtuReadBack read_back(const journal::Values& target) override {
    p_.writing_step = "read-back";
    exchange(600);
    Dtu* d = port_.dtu;
    if (!d || d->stops_at == static_cast<int>(journal::kValueCount)) return {false, "read-back", "no listing", {}};
    std::string differ;
    for (size_t i = 0; i < journal::kValueCount; ++i)
      if (d->settings[i] != target[i])
        differ += (differ.empty() ? "" : "; ") + std::string(journal::value_key(i)) + " reads \"" + d->settings[i] +
                  "\" where \"" + target[i] + "\" was written";
    return {differ.empty(), "read-back", differ, d->settings};
  }

  void close() override {
    port_.open = false;
    port_.handled = port_.dtu != nullptr;
    f_.world.notify(f_.floor_changed);
  }

 private:
  void exchange(int64_t ms) {
    if (f_.world.chance(f_.kill_rate)) kill_process(f_, p_);
    f_.world.sleep(ms);
  }
  void take(Dtu& d, size_t i, const journal::Values& target) {
    if (d.keeps_old == static_cast<int>(i)) return;
    d.settings[i] = target[i];
    if (i == 0) d.written_ids.insert(target[0]);
  }
  int64_t virtual_ms(int64_t local_ms) const { return static_cast<int64_t>(static_cast<double>(local_ms) / p_.clock_rate); }

  Floor& f_;
  Process& p_;
  Port& port_;
};

// The bench around the port: its own clock (rate and offset its own), the lease kept by an
// actor of its own on a connection of its own.
class SimHost final : public provision::PortHost {
 public:
  SimHost(Floor& floor, Process& p) : f_(floor), p_(p) {}

  std::unique_ptr<journal::Journal> open_journal() override { return f_.open_journal(&p_); }
  void keep_lease(int64_t job, int64_t session) override {
    p_.session = session;
    Floor& f = f_;
    Process& p = p_;
    p_.keeper = f_.world.spawn(p_.port.name + " keeper", [&f, &p, job, session] {
      std::unique_ptr<journal::Journal> own;
      const auto interval = [&] { return static_cast<int64_t>(static_cast<double>(f.lease_ms) / 3 / p.clock_rate); };
      int64_t next = f.world.now() + interval();
      for (;;) {
        f.world.sleep_until(next);
        if (f.world.chance(f.stall_rate)) {
          f.world.trace(p.port.name + " keeper held back past its lease");
          f.world.sleep(f.world.between(f.lease_ms, 2 * f.lease_ms));
        }
        try {
          if (!own) own = f.open_journal(nullptr);
          own->renew_session(session, f.lease_ms);
          if (p.writing_seq != 0) own->note_step(job, p.writing_seq, session, p.writing_step);
          next = f.world.now() + interval();
        } catch (const std::exception&) {
          own.reset();
          next = f.world.now() + 500;
        }
      }
    }, f_.world.now());
  }
  int64_t now_ms() override {
    return p_.clock_offset + static_cast<int64_t>(static_cast<double>(f_.world.now()) * p_.clock_rate);
  }
  void wait(int64_t ms) override { f_.world.sleep(static_cast<int64_t>(static_cast<double>(ms) / p_.clock_rate) + 1); }
  void said(provision::Verdict verdict, const std::string& line) override {
    p_.port.verdict = verdict;
    f_.world.trace(p_.port.name + " | " + line);
  }
  void progress(const std::string& line) override {
    if (line.rfind("waiting for the job to end", 0) == 0) p_.waiting_said = line;
    f_.world.trace(p_.port.name + " ~ " + line);
  }
  void writing(int seq, const std::string&, const std::string& step) override {
    p_.writing_seq = seq;
    p_.writing_step = step;
  }

 private:
  Floor& f_;
  Process& p_;
};

}  // namespace

std::unique_ptr<journal::Journal> Floor::open_journal(Process* p) {
  auto at_step = [this, p] {
    if (p && world.chance(kill_rate)) kill_process(*this, *p);
  };
  at_step();
  world.sleep(world.between(2, 20));
  if (faults.down_until > world.now())
    throw journal::DbError(journal::DbError::Kind::Unreachable, "the server is not answering");
  auto journal = std::make_unique<journal::Journal>(
      std::make_unique<FaultyDatabase>(world, &faults, journal::open_database(target, false), at_step));
  journal->prepare_schema();
  return journal;
}

std::unique_ptr<journal::Journal> Floor::plain_journal() {
  auto journal = std::make_unique<journal::Journal>(
      std::make_unique<FaultyDatabase>(world, nullptr, journal::open_database(target, false), nullptr));
  journal->prepare_schema();
  return journal;
}

void Floor::violation(const std::string& what) {
  world.trace("VIOLATION " + what);
  violations.push_back(what);
}

void start_process(Floor& floor, Process& p) {
  p.running = true;
  p.exit_status = -1;
  p.keeper = -1;
  ++p.runs;
  p.waiting_said.clear();
  p.writing_seq = 0;
  p.port.open = false;
  p.port.boot = false;
  p.port.needs_power = p.port.dtu != nullptr;  // the DTU left on the port is powered again
  p.port.handled = false;
  floor.world.trace(p.port.name + " process started (run " + std::to_string(p.runs) + ")");
  p.actor = floor.world.spawn(p.port.name + " process", [&floor, &p] {
    SimDtuPort dtu(floor, p);
    SimHost host(floor, p);
    const size_t slash = p.port.name.find('/');
    provision::PortFlow flow({floor.job, p.bench, p.port.name.substr(slash + 1), "host-" + p.bench,
                              static_cast<int64_t>(1000 * p.runs), floor.lease_ms},
                             dtu, host);
    int status = -1;
    try {
      status = flow.run();
    } catch (const std::exception& e) {
      p.escaped.push_back(e.what());
      floor.violation(p.port.name + ": an exception escaped the port: " + e.what());
    }
    p.exit_status = status;
    p.running = false;
    if (p.port.open) floor.violation(p.port.name + " ended (status " + std::to_string(status) + ") with its port open");
    if (status != 0 && status != 7) floor.violation(p.port.name + " ended with status " + std::to_string(status));
    floor.world.trace(p.port.name + " process ended with status " + std::to_string(status));
    if (p.keeper >= 0) floor.world.kill(p.keeper);
    floor.world.notify(floor.floor_changed);
  }, floor.world.now());
}

void kill_process(Floor& floor, Process& p) {
  if (!p.running) return;
  floor.world.trace(p.port.name + " process killed" +
                    (p.writing_seq ? " while writing at " + p.writing_step : std::string()));
  p.running = false;
  floor.world.kill(p.actor);
  if (p.keeper >= 0) floor.world.kill(p.keeper);
  p.port.open = false;
  p.port.boot = false;
  floor.world.notify(floor.floor_changed);
}

}  // namespace sim
