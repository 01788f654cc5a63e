#include "tests/main/provision/sim/world.h"

#include <algorithm>
#include <cstdio>
#include <exception>

namespace sim {
namespace {

constexpr size_t kStackBytes = 1 << 20;  // the port flow over SQLite or the server's client, with room

}  // namespace

struct World::Actor {
  World* world = nullptr;
  int id = 0;
  std::string name;
  std::function<void()> body;
  ucontext_t context;
  std::unique_ptr<char[]> stack;
  bool started = false;
  bool ended = false;
  bool killed = false;
  uint64_t generation = 0;  // its due entries of older generations are stale
};

World::World(uint64_t seed, bool tracing) : rng_(seed), tracing_(tracing) {}

World::~World() { kill_all(); }

bool World::chance(double p) { return p > 0 && std::uniform_real_distribution<double>(0, 1)(rng_) < p; }

int64_t World::between(int64_t lo, int64_t hi) {
  return hi <= lo ? lo : std::uniform_int_distribution<int64_t>(lo, hi)(rng_);
}

double World::real_between(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }

int World::spawn(std::string name, std::function<void()> body, int64_t at) {
  auto a = std::make_unique<Actor>();
  a->world = this;
  a->id = static_cast<int>(actors_.size());
  a->name = std::move(name);
  a->body = std::move(body);
  actors_.push_back(std::move(a));
  schedule(actors_.back()->id, std::max(at, now_));
  return actors_.back()->id;
}

bool World::alive(int actor) const {
  const Actor& a = *actors_.at(static_cast<size_t>(actor));
  return !a.ended && !a.killed;
}

const std::string& World::name(int actor) const { return actors_.at(static_cast<size_t>(actor))->name; }

void World::kill(int actor) {
  Actor& a = *actors_.at(static_cast<size_t>(actor));
  if (a.ended || a.killed) return;
  a.killed = true;
  if (actor != running_) schedule(actor, now_);  // it throws at once; the running one at its next wait
}

void World::schedule(int actor, int64_t at) {
  Actor& a = *actors_[static_cast<size_t>(actor)];
  ++a.generation;
  due_.push_back({at, rng_(), actor, a.generation});
  std::push_heap(due_.begin(), due_.end(), std::greater<>());
}

int World::next_due() {
  while (!due_.empty()) {
    const Due& first = due_.front();
    const Actor& a = *actors_[static_cast<size_t>(first.actor)];
    const bool stale = a.ended || first.generation != a.generation;
    if (!stale && first.at > limit_) return -1;
    std::pop_heap(due_.begin(), due_.end(), std::greater<>());
    const Due next = due_.back();
    due_.pop_back();
    if (stale) continue;
    now_ = std::max(now_, next.at);
    return next.actor;
  }
  return -1;
}

// An actor's stack starts here. Its pointer arrives in two halves (the only arguments a new
// context takes).
void World::entry(unsigned hi, unsigned lo) {
  auto* a = reinterpret_cast<Actor*>((static_cast<uintptr_t>(hi) << 32) | lo);
  World& world = *a->world;
  if (!a->killed) {
    try {
      a->body();
    } catch (const Killed&) {
      // Its power went: nothing more of it runs.
    } catch (const std::exception& e) {
      world.escaped_.push_back(a->name + ": " + e.what());
    }
  }
  a->ended = true;
  // Back to the world; this stack is not resumed again.
  swapcontext(&a->context, &world.world_context_);
}

void World::give_turn() {
  Actor& a = *actors_[static_cast<size_t>(running_)];
  // Due again before any other: it goes on without a switch.
  if (!due_.empty() && due_.front().actor == running_ && due_.front().generation == a.generation &&
      due_.front().at <= limit_) {
    next_due();
  } else {
    swapcontext(&a.context, &world_context_);
  }
  if (a.killed) throw Killed{};
}

void World::sleep_until(int64_t until) {
  Actor& a = *actors_[static_cast<size_t>(running_)];
  if (a.killed) throw Killed{};
  schedule(running_, std::max(until, now_));
  give_turn();
}

bool World::wait(Signal& signal, int64_t deadline) {
  Actor& a = *actors_[static_cast<size_t>(running_)];
  if (a.killed) throw Killed{};
  const int me = running_;
  signal.waiters.push_back(me);
  schedule(me, std::max(deadline, now_));
  const uint64_t waiting_generation = a.generation;
  give_turn();
  // Woken by notify when it moved the actor to a newer generation than the deadline's.
  const bool notified = a.generation != waiting_generation;
  signal.waiters.erase(std::remove(signal.waiters.begin(), signal.waiters.end(), me), signal.waiters.end());
  return notified;
}

void World::notify(Signal& signal) {
  std::vector<int> waiters;
  waiters.swap(signal.waiters);
  for (int w : waiters)
    if (!actors_[static_cast<size_t>(w)]->ended) schedule(w, now_);
}

void World::run(int64_t limit) {
  limit_ = limit;
  for (int next = next_due(); next >= 0; next = next_due()) {
    Actor& a = *actors_[static_cast<size_t>(next)];
    running_ = next;
    if (!a.started) {
      a.started = true;
      a.stack = std::make_unique_for_overwrite<char[]>(kStackBytes);  // touched only as it is used
      getcontext(&a.context);
      a.context.uc_stack.ss_sp = a.stack.get();
      a.context.uc_stack.ss_size = kStackBytes;
      a.context.uc_link = nullptr;
      const auto address = reinterpret_cast<uintptr_t>(&a);
      makecontext(&a.context, reinterpret_cast<void (*)()>(&World::entry), 2, static_cast<unsigned>(address >> 32),
                  static_cast<unsigned>(address & 0xFFFFFFFFu));
    }
    swapcontext(&world_context_, &a.context);
    running_ = -1;
    if (a.ended) a.stack.reset();
  }
}

void World::kill_all() {
  for (size_t i = 0; i < actors_.size(); ++i) kill(static_cast<int>(i));
  // Each killed actor gets one turn, in which it unwinds (or, never started, ends at once).
  run(INT64_MAX);
}

void World::trace(const std::string& line) {
  if (!tracing_) return;
  char at[32];
  std::snprintf(at, sizeof at, "%9.3f ", static_cast<double>(now_) / 1000.0);
  trace_.push_back(at + line);
}

}  // namespace sim
