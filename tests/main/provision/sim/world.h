// A deterministic world for whole production runs: actors (the benches' ports, their lease
// keepers, the technician, the person, the faults) each run on a stack of their own, all on
// one thread, handed the turn by the world in order of virtual time, ties broken by the
// seeded generator. An actor gives the turn back only by waiting (for a time, or for a
// signal with a deadline); so the same seed plays the same run, whatever the machine does.
#pragma once

#include <ucontext.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace sim {

// Thrown out of a wait in an actor the world killed: it unwinds the actor's work as a
// process that lost its power would not (no code of the system catches it).
struct Killed {};

// Something actors wait for; notify wakes every waiter at the current time.
struct Signal {
  std::vector<int> waiters;
};

class World {
 public:
  explicit World(uint64_t seed, bool tracing);
  ~World();  // kills and joins what still runs
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  int64_t now() const { return now_; }
  bool chance(double p);
  int64_t between(int64_t lo, int64_t hi);  // inclusive
  double real_between(double lo, double hi);
  template <typename T>
  T& pick(std::vector<T>& from) { return from[static_cast<size_t>(between(0, static_cast<int64_t>(from.size()) - 1))]; }

  // An actor that starts at `at`; its id.
  int spawn(std::string name, std::function<void()> body, int64_t at);
  bool alive(int actor) const;
  // It throws Killed at its next wait (now, if it is waiting).
  void kill(int actor);
  int current() const { return running_; }
  const std::string& name(int actor) const;

  // In the running actor: gives the turn until `until`.
  void sleep_until(int64_t until);
  void sleep(int64_t ms) { sleep_until(now_ + ms); }
  // In the running actor: gives the turn until `signal` is notified (true) or `deadline`.
  bool wait(Signal& signal, int64_t deadline);
  void notify(Signal& signal);

  // Runs actors until none is due at or before `limit`, or all have ended.
  void run(int64_t limit);
  // What escaped an actor other than its killing (a fault of the run itself).
  const std::vector<std::string>& escaped() const { return escaped_; }
  // Kills every actor still there and lets each unwind.
  void kill_all();

  void trace(const std::string& line);
  const std::vector<std::string>& traced() const { return trace_; }
  bool tracing() const { return tracing_; }

 private:
  struct Actor;
  struct Due {
    int64_t at;
    uint64_t tie;
    int actor;
    uint64_t generation;
    bool operator>(const Due& o) const { return at != o.at ? at > o.at : tie > o.tie; }
  };
  void schedule(int actor, int64_t at);
  // The next actor due at or before the limit, taken off the schedule with the time moved to
  // its own; -1 when none is.
  int next_due();
  // In the running actor: back to the world until its turn comes again.
  void give_turn();
  static void entry(unsigned hi, unsigned lo);

  std::mt19937_64 rng_;
  const bool tracing_;
  ucontext_t world_context_;
  std::vector<std::unique_ptr<Actor>> actors_;
  std::vector<Due> due_;  // a heap
  int64_t now_ = 0;
  int64_t limit_ = 0;
  int running_ = -1;
  std::vector<std::string> trace_;
  std::vector<std::string> escaped_;
};

}  // namespace sim
