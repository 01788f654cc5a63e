// The console on POSIX: the terminal takes UTF-8 as it stands; stop requests are signals,
// taken by a thread of their own with sigwait so that the handler may do ordinary work.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/console.h"

namespace platform {
namespace {

std::atomic<int> g_output_errno{0};  // the first failed write to standard output

}  // namespace

// Terminals, files and pipes all take UTF-8 here.
void set_console_encoding(ConsoleEncoding) {}

void console_write(ConsoleStream stream, std::string_view utf8) {
  const int fd = stream == ConsoleStream::Out ? STDOUT_FILENO : STDERR_FILENO;
  while (!utf8.empty()) {
    const ssize_t n = ::write(fd, utf8.data(), utf8.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // The work goes on without its report; the program's exit status says it was lost.
      int none = 0;
      if (stream == ConsoleStream::Out) g_output_errno.compare_exchange_strong(none, n < 0 ? errno : EIO);
      return;
    }
    utf8.remove_prefix(static_cast<size_t>(n));
  }
}

bool console_output_lost(std::string* why) {
  const int error = g_output_errno.load();
  if (error != 0 && why) *why = std::strerror(error);
  return error != 0;
}

std::vector<std::string> console_arguments(int argc, char** argv) {
  ::signal(SIGPIPE, SIG_IGN);
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

void watch_stop_requests(std::function<void(int exit_status, const char* what)> on_stop) {
  // A reader that went away (`| head`) must not end the program halfway through a DTU: a
  // write then fails instead of raising SIGPIPE.
  ::signal(SIGPIPE, SIG_IGN);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  // Blocked here, and so in every thread started later; only the watcher takes them.
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::thread([set, on_stop = std::move(on_stop)] {
    for (;;) {
      int sig = 0;
      if (sigwait(&set, &sig) != 0) continue;
      on_stop(128 + sig, sig == SIGINT ? "SIGINT" : sig == SIGTERM ? "SIGTERM" : "SIGHUP");
    }
  }).detach();
}

}  // namespace platform
