// The simulated factory floor: DTUs (what each holds, how it fails), the ports the benches'
// processes run the real port flow on, and the processes themselves with their lease
// keepers. The world's state is touched only by the actor holding the turn.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "main/journal/journal.h"
#include "main/provision/port_flow.h"
#include "tests/main/provision/sim/faulty_database.h"
#include "tests/main/provision/sim/world.h"

namespace sim {

struct Dtu {
  int serial = 0;
  journal::Values settings;             // what it holds
  std::set<std::string> written_ids;    // the IDs a bench wrote onto it
  bool other_job = false;               // a DTU of another job of the journal
  int stops_at = -1;                    // the write step it stops answering at (13: the read-back), -1 none
  int keeps_old = -1;                   // a setting it acknowledges and keeps as it was
  bool gone = false;                    // thrown away
};

struct Port {
  std::string name;                     // "A/COM5"
  Dtu* dtu = nullptr;                   // plugged in
  bool open = false;                    // the bench's process has it open
  bool boot = false;                    // powered on; its banner not yet seen
  bool needs_power = false;             // plugged (or kept) and waiting to be powered on
  bool handled = false;                 // the process is done with this DTU (until the technician acts)
  std::optional<provision::Verdict> verdict;  // what was said last about the DTU on it
  Signal changed;
  int unread = 0;                       // reads failed in a row on this DTU
};

// A bench's process for one port.
struct Process {
  std::string bench;
  Port port;
  int actor = -1, keeper = -1;
  int64_t session = 0;                  // the journal's session of its current run
  bool running = false;
  int exit_status = -1;                 // when it ended by itself
  int runs = 0;
  double clock_rate = 1.0;              // its own clock against the world's
  int64_t clock_offset = 0;
  std::string waiting_said;             // its last "waiting for the job to end" line
  std::vector<std::string> escaped;     // exceptions that escaped the port flow
  // The unit being written and its step, for the keeper.
  int writing_seq = 0;
  std::string writing_step;
};

struct Floor;

// Starts the process's port flow (and its keeper) now.
void start_process(Floor& floor, Process& p);
// Kills it (and its keeper) as a power cut or kill -9 would.
void kill_process(Floor& floor, Process& p);

// What every actor shares.
struct Floor {
  Floor(World& w, Faults& f) : world(w), faults(f) {}
  World& world;
  Faults& faults;
  std::string target;                   // the journal, as --db names it
  std::string job;
  int64_t lease_ms = 30000;
  double kill_rate = 0;                 // per step of a port process
  double stall_rate = 0;                // a lease renewal held back past the lease
  double unconfirmed_rate = 0;          // a boot that does not confirm setting mode
  std::vector<std::unique_ptr<Dtu>> dtus;
  std::vector<std::unique_ptr<Process>> processes;
  Signal floor_changed;                 // the technician's wake-up
  std::vector<std::string> violations;

  // The unit's state as the journal holds it now (a person's look, taking no time).
  std::function<std::optional<journal::UnitState>(const std::string& dtu_id)> unit_state;

  // A journal as a bench opens it: over a faulty connection whose steps belong to `p`.
  std::unique_ptr<journal::Journal> open_journal(Process* p);
  // The journal as a person or the checks read it: no faults, no time.
  std::unique_ptr<journal::Journal> plain_journal();
  void violation(const std::string& what);
};

}  // namespace sim
