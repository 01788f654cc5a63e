#include "tests/main/provision/provision_test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

namespace provision_test {

namespace fs = std::filesystem;

std::string file_text(const std::string& path) { return platform_test::read_text(path); }

Process::Process(const std::string& program, const std::vector<std::string>& args, const std::string& out,
                 const std::string& err) {
  // Processes whose parent is killed come to this one, which reaps them: a killed bench's
  // port processes would otherwise linger as zombies until the system's first process gets
  // to them, and their serial port locks would still name a process that seems to be there.
  static const bool reaper = ::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
  EXPECT_TRUE(reaper);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    ::dup2(in, 0);
    ::dup2(o, 1);
    ::dup2(e, 2);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  EXPECT_GT(pid_, 0) << "fork failed";
}

Process::~Process() {
  if (running()) kill_with_children();
}

bool Process::running() {
  if (pid_ <= 0 || status_ >= 0) return false;
  int status = 0;
  const pid_t done = ::waitpid(pid_, &status, WNOHANG);
  if (done != pid_) return true;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return false;
}

int Process::wait(std::chrono::seconds within) {
  wait_until([&] { return !running(); }, within);
  return running() ? -1 : status_;
}

void Process::signal(int sig) {
  if (running()) ::kill(pid_, sig);
}

void Process::kill_with_children() {
  if (!running()) return;
  // Its children, found by their parent in /proc while the parent still holds them.
  std::vector<pid_t> children;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string stat = file_text(entry.path().string() + "/stat");
    const size_t name_end = stat.rfind(')');
    if (name_end == std::string::npos) continue;
    std::istringstream fields(stat.substr(name_end + 1));
    std::string state;
    pid_t parent = 0;
    fields >> state >> parent;
    if (parent == pid_) children.push_back(static_cast<pid_t>(std::stol(name)));
  }
  ::kill(pid_, SIGKILL);
  for (pid_t child : children) ::kill(child, SIGKILL);
  wait(std::chrono::seconds(30));
  for (pid_t child : children)
    wait_until([child] { return ::waitpid(child, nullptr, WNOHANG) != 0; }, std::chrono::seconds(30));
}

std::string Simulators::start(const std::string& name, bool swap, const std::vector<std::string>& extra) {
  const std::string base = dir_ + "/" + name;
  std::vector<std::string> args = {"--baud", "115200", "--reply-delay", "0", "--boot-delay", "50",
                                   "--state", base + ".state", "--link", base};
  if (swap) args.insert(args.end(), {"--swap", base + ".done"});
  args.insert(args.end(), extra.begin(), extra.end());
  std::string error;
  auto sim = dtusim::SimProcess::start(DTU_SIM_PROGRAM, args, base + ".log", error);
  EXPECT_TRUE(sim) << error;
  if (sim) {
    EXPECT_FALSE(sim->read_line(10'000).empty()) << "the simulator did not start: " << log(name);
  }
  sims_.push_back(std::move(sim));
  names_.push_back(name);
  return base;
}

std::string Simulators::log(const std::string& name) const { return file_text(dir_ + "/" + name + ".log"); }

std::vector<std::map<std::string, std::string>> Simulators::dtus(const std::string& name) const {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir_ + "/" + name + ".done", ec)) files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  files.push_back(dir_ + "/" + name + ".state");
  std::vector<std::map<std::string, std::string>> out;
  for (const auto& f : files)
    if (fs::exists(f)) out.push_back(read_state(f));
  return out;
}

std::map<std::string, std::string> read_state(const std::string& path) {
  std::map<std::string, std::string> values;
  std::istringstream lines(file_text(path));
  for (std::string line; std::getline(lines, line);) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

int make_job(const std::string& dir, const std::string& db, const std::string& name, int count) {
  platform_test::write_text(dir + "/base.txt",
                            std::string("BASE//10.20.30.40//9000//dtu.example.org//cmnet//TCP//9600//60//300//"
                                        "13900000001////-----//13900000004//") +
                                '\0');
  std::string csv = "ID,SS1,DN\n";
  for (int i = 1; i <= count; ++i) {
    char row[96];
    std::snprintf(row, sizeof row, "DTU-%04d,1380000%04d,u%d.example.org\n", i, i, i);
    csv += row;
  }
  platform_test::write_text(dir + "/" + name + ".csv", csv);
  Process create(DTU_SETUP_CLI_PROGRAM,
                 {"job", "create", "--db", db, "--name", name, "--from", dir + "/base.txt", "--units",
                  dir + "/" + name + ".csv"},
                 dir + "/create.out", dir + "/create.err");
  const int status = create.wait(std::chrono::seconds(60));
  EXPECT_EQ(status, 0) << file_text(dir + "/create.err");
  return status;
}

std::map<std::string, std::string> as_state(const journal::Values& values) {
  std::map<std::string, std::string> out;
  for (size_t i = 0; i < values.size(); ++i) out[std::string(journal::value_key(i))] = values[i];
  return out;
}

bool wait_until(const std::function<bool()>& condition, std::chrono::seconds within) {
  const auto deadline = std::chrono::steady_clock::now() + within;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

std::vector<std::string> provision_args(const std::string& db, const std::string& job, const std::string& bench,
                                        const std::vector<std::string>& ports, int lease_s) {
  std::vector<std::string> args = {"provision", "--db", db, "--job", job, "--bench", bench, "--baud", "115200",
                                   "--lease", std::to_string(lease_s)};
  for (const auto& p : ports) args.insert(args.end(), {"--port", p});
  return args;
}

void expect_sound_outcome(journal::Journal& j, int64_t job, const Simulators& sims) {
  const auto units = j.units(job);
  const auto events = j.events(job);
  std::vector<std::pair<int, std::string>> stored;
  for (const auto& u : units) stored.emplace_back(u.seq, std::string(journal::state_name(u.state)));
  EXPECT_EQ(journal::replay_states(events), stored) << "the events replay to the units' states";

  // Every job ID on at most one DTU, as the DTUs' own memory says.
  std::map<std::string, std::map<std::string, std::string>> holder;
  std::map<std::string, int> copies;
  for (const auto& name : sims.names())
    for (const auto& dtu : sims.dtus(name)) {
      const auto id = dtu.find("ID");
      if (id == dtu.end() || id->second.empty()) continue;
      ++copies[id->second];
      holder[id->second] = dtu;
    }
  for (const auto& [id, n] : copies) EXPECT_EQ(n, 1) << "ID " << id << " is on " << n << " DTUs";

  for (const auto& u : units) {
    const long done_events = std::count_if(events.begin(), events.end(),
                                           [&](const auto& e) { return e.seq == u.seq && e.kind == "done"; });
    if (u.state != journal::UnitState::Done) {
      EXPECT_EQ(done_events, 0) << u.dtu_id;
      continue;
    }
    EXPECT_EQ(done_events, 1) << u.dtu_id << " done once";
    const auto dtu = holder.find(u.dtu_id);
    ASSERT_NE(dtu, holder.end()) << "no DTU holds " << u.dtu_id;
    EXPECT_EQ(dtu->second, as_state(u.target)) << u.dtu_id << ": the DTU holds its unit's settings";
    EXPECT_EQ(u.after, u.target) << u.dtu_id << ": the journal holds what was read back";
  }
}

}  // namespace provision_test
