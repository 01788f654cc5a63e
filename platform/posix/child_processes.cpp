// Child processes on POSIX: posix_spawn with both output streams on pipes, each child in a
// process group of its own (the terminal's Ctrl-C reaches only the parent), and one poll
// loop that reads all pipes until every child has closed them.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/child_processes.h"
#include "platform/mutex.h"

extern char** environ;

namespace platform {

namespace {

struct Child {
  pid_t pid = 0;
  int fds[2] = {-1, -1};  // standard output, standard error; -1 once at end
  std::string partial[2];
  bool reaped = false;
  int status = 0;
};

void close_fd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

struct ChildProcesses::State {
  Mutex mutex;  // guards pid and reaped against stop() from another thread
  std::vector<Child> children;
};

ChildProcesses::ChildProcesses() : state_(std::make_unique<State>()) {}

ChildProcesses::~ChildProcesses() {
  for (Child& c : state_->children) {
    close_fd(c.fds[0]);
    close_fd(c.fds[1]);
    if (!c.reaped) {
      ::kill(c.pid, SIGKILL);
      ::waitpid(c.pid, nullptr, 0);
    }
  }
}

size_t ChildProcesses::size() const {
  MutexLock lock(state_->mutex);
  return state_->children.size();
}

bool ChildProcesses::start(const std::string& program, const std::vector<std::string>& args, std::string& error) {
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0) {
    error = std::strerror(errno);
    return false;
  }
  if (::pipe2(err, O_CLOEXEC) != 0) {
    error = std::strerror(errno);
    ::close(out[0]);
    ::close(out[1]);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&defaults, sig);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  ::close(out[1]);
  ::close(err[1]);
  if (rc != 0) {
    ::close(out[0]);
    ::close(err[0]);
    error = std::strerror(rc);
    return false;
  }
  Child c;
  c.pid = pid;
  c.fds[0] = out[0];
  c.fds[1] = err[0];
  MutexLock lock(state_->mutex);
  state_->children.push_back(std::move(c));
  return true;
}

void ChildProcesses::wait_all(const std::function<void(size_t, ChildStream, std::string_view)>& on_line) {
  auto& children = state_->children;
  for (;;) {
    std::vector<pollfd> polled;
    std::vector<std::pair<size_t, int>> owner;
    for (size_t i = 0; i < children.size(); ++i)
      for (int s = 0; s < 2; ++s)
        if (children[i].fds[s] >= 0) {
          polled.push_back({children[i].fds[s], POLLIN, 0});
          owner.emplace_back(i, s);
        }
    if (polled.empty()) break;
    if (::poll(polled.data(), polled.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (size_t k = 0; k < polled.size(); ++k) {
      if (polled[k].revents == 0) continue;
      auto [i, s] = owner[k];
      Child& c = children[i];
      const auto stream = s == 0 ? ChildStream::Out : ChildStream::Error;
      char buf[4096];
      const ssize_t n = ::read(c.fds[s], buf, sizeof buf);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) {
        if (!c.partial[s].empty()) on_line(i, stream, c.partial[s]);
        c.partial[s].clear();
        close_fd(c.fds[s]);
        continue;
      }
      std::string& text = c.partial[s];
      text.append(buf, static_cast<size_t>(n));
      size_t start = 0, nl;
      while ((nl = text.find('\n', start)) != std::string::npos) {
        on_line(i, stream, std::string_view(text).substr(start, nl - start));
        start = nl + 1;
      }
      text.erase(0, start);
    }
  }
  for (Child& c : children) {
    if (c.reaped) continue;
    // Wait without reaping first, so that stop() never signals a process id already reused.
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(c.pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
    MutexLock lock(state_->mutex);
    int status = 0;
    while (::waitpid(c.pid, &status, 0) < 0 && errno == EINTR) {
    }
    c.reaped = true;
    c.status = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 1;
  }
}

int ChildProcesses::exit_status(size_t child) const { return state_->children.at(child).status; }

void ChildProcesses::stop(size_t child, ChildStop how) {
  MutexLock lock(state_->mutex);
  if (child >= state_->children.size()) return;
  const Child& c = state_->children[child];
  if (!c.reaped) ::kill(c.pid, how == ChildStop::Interrupt ? SIGINT : SIGTERM);
}

void ChildProcesses::stop_all(ChildStop how) {
  MutexLock lock(state_->mutex);
  for (const Child& c : state_->children)
    if (!c.reaped) ::kill(c.pid, how == ChildStop::Interrupt ? SIGINT : SIGTERM);
}

}  // namespace platform
