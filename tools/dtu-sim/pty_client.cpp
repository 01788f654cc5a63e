#include "tools/dtu-sim/pty_client.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

extern char** environ;

namespace dtusim {

namespace {

int ms_left(std::chrono::steady_clock::time_point end) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Reads what is there within the time left; false at time-out or end of input.
bool read_some(int fd, std::string& into, std::chrono::steady_clock::time_point end) {
  pollfd p{fd, POLLIN, 0};
  if (poll(&p, 1, ms_left(end)) <= 0) return false;
  char buf[512];
  ssize_t n = read(fd, buf, sizeof buf);
  if (n <= 0) return n < 0 && (errno == EAGAIN || errno == EINTR);
  into.append(buf, static_cast<size_t>(n));
  return true;
}

}  // namespace

std::unique_ptr<SimProcess> SimProcess::start(const std::string& program, const std::vector<std::string>& args,
                                              const std::string& log_path, std::string& error) {
  int out[2];
  if (pipe(out) != 0) {
    error = std::strerror(errno);
    return nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    error = std::strerror(rc);
    return nullptr;
  }
  return std::unique_ptr<SimProcess>(new SimProcess(pid, out[0]));
}

SimProcess::~SimProcess() {
  stop();
  close(out_);
}

std::string SimProcess::read_line(int timeout_ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  size_t nl;
  while ((nl = buffer_.find('\n')) == std::string::npos)
    if (!read_some(out_, buffer_, end)) return "";
  std::string line = buffer_.substr(0, nl);
  buffer_.erase(0, nl + 1);
  return line;
}

int SimProcess::stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = 0;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void SimProcess::reboot() {
  if (pid_ > 0) kill(pid_, SIGUSR1);
}

std::unique_ptr<PtyClient> PtyClient::open(const std::string& path, std::string& error) {
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    error = std::strerror(errno);
    return nullptr;
  }
  termios tio{};
  if (tcgetattr(fd, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
  }
  return std::unique_ptr<PtyClient>(new PtyClient(fd));
}

PtyClient::~PtyClient() { close(fd_); }

void PtyClient::write(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n > 0) bytes.remove_prefix(static_cast<size_t>(n));
    else if (n < 0 && errno != EAGAIN && errno != EINTR) return;
  }
}

std::string PtyClient::read_until(std::string_view needle, int timeout_ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  std::string got;
  while (got.find(needle) == std::string::npos && read_some(fd_, got, end)) {
  }
  return got;
}

}  // namespace dtusim
