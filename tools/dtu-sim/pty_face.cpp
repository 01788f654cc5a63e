#include "tools/dtu-sim/pty_face.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <optional>

#include "tools/dtu-sim/model.h"
#include "tools/dtu-sim/pty_port.h"
#include "tools/dtu-sim/state_file.h"

namespace dtusim {

namespace {

constexpr int kPeerPollMs = 50;  // how often a closed port is checked for a new opener

// Signals reach the loop through a pipe: 'q' to stop, 'b' to boot.
int g_signal_pipe[2] = {-1, -1};

void on_signal(int sig) {
  char c = sig == SIGUSR1 ? 'b' : 'q';
  int saved = errno;
  [[maybe_unused]] ssize_t n = write(g_signal_pipe[1], &c, 1);
  errno = saved;
}

bool install_signals(std::string& error) {
  if (pipe(g_signal_pipe) != 0) {
    error = "cannot create the signal pipe";
    return false;
  }
  struct sigaction sa {};
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaction(sig, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
  return true;
}

// Printable form of line bytes for the log.
std::string escaped(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c >= 0x20 && c < 0x7F && c != '\\') out += static_cast<char>(c);
    else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  return out;
}

class Face {
 public:
  Face(const Options& options, PtyPort& port, Model& model)
      : options_(options), port_(port), model_(model), start_(std::chrono::steady_clock::now()) {}

  int run();

 private:
  uint64_t now() const {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - start_).count());
  }
  void log(const std::string& what) const {
    if (!options_.quiet) std::fprintf(stderr, "[%8.3f] %s\n", static_cast<double>(now()) / 1000.0, what.c_str());
  }
  void check_peer();
  void on_open_events();
  void set_open(bool present);
  void boot();
  void queue(std::vector<Chunk> chunks);
  void send_due();
  int poll_timeout() const;
  void on_port_input();
  void on_stdin();
  void on_signal_pipe();
  void save_if_changed();
  void swap_if_finished();

  const Options& options_;
  PtyPort& port_;
  Model& model_;
  std::chrono::steady_clock::time_point start_;
  bool open_ = false;
  int holders_ = 0;  // programs holding the port open, when the system reports opens
  bool stdin_open_ = true;
  bool quit_ = false;
  std::optional<uint64_t> boot_at_;
  std::deque<Chunk> out_;
  size_t sent_ = 0;  // bytes of out_.front() already written
  uint64_t saved_revision_ = 0;
};

// Without open notifications the master's hang-up flag tells whether anyone is there.
void Face::check_peer() {
  if (port_.watch_fd() < 0) set_open(port_.peer_present());
}

// Counts the programs holding the port open; a close followed at once by a reopen still
// reads as a power cycle.
void Face::on_open_events() {
  bool overflow = false;
  for (bool opened : port_.take_open_events(overflow)) {
    holders_ = std::max(0, holders_ + (opened ? 1 : -1));
    set_open(holders_ > 0);
  }
  if (overflow) {
    holders_ = port_.peer_present() ? 1 : 0;
    set_open(holders_ > 0);
  }
}

void Face::set_open(bool present) {
  if (present == open_) return;
  open_ = present;
  out_.clear();
  sent_ = 0;
  if (open_) {
    port_.drain();
    boot_at_ = now() + options_.boot_delay_ms;
    log("port opened; booting in " + std::to_string(options_.boot_delay_ms) + " ms");
  } else {
    boot_at_.reset();
    swap_if_finished();
    model_.power_off();
    log("port closed");
  }
}

// On a production bench the technician takes a finished DTU off and plugs the next one in.
void Face::swap_if_finished() {
  if (options_.swap_dir.empty() || !model_.written_and_checked()) return;
  std::error_code ec;
  std::filesystem::create_directories(options_.swap_dir, ec);
  std::string kept;
  for (int n = 1;; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "/unit-%03d.state", n);
    kept = options_.swap_dir + name;
    if (!std::filesystem::exists(kept, ec)) break;
  }
  const std::string err = save_state(kept, model_.settings());
  if (!err.empty()) std::fprintf(stderr, "dtu-sim: %s\n", err.c_str());
  log("the finished DTU is kept as " + kept + "; a fresh one takes its place");
  model_.replace_unit(Settings::factory());
  save_if_changed();
}

void Face::boot() {
  boot_at_.reset();
  if (!open_) {
    log("nobody has the port open; the DTU boots when it is opened");
    return;
  }
  out_.clear();
  sent_ = 0;
  log("boot");
  queue(model_.boot(now()));
}

void Face::queue(std::vector<Chunk> chunks) {
  for (auto& c : chunks) out_.push_back(std::move(c));
}

// Writes every byte whose time has come: byte i of a chunk is due i character times after
// the chunk's start.
void Face::send_due() {
  uint64_t t = now();
  const uint64_t baud = std::max<uint32_t>(model_.config().baud, 1);
  while (open_ && !out_.empty() && out_.front().at_ms <= t) {
    const Chunk& c = out_.front();
    size_t due = std::min<uint64_t>(c.bytes.size(), (t - c.at_ms) * baud / 10000 + 1);
    if (due <= sent_) return;
    if (sent_ == 0) log("-> " + escaped(c.bytes));
    size_t n = port_.write_some(std::string_view(c.bytes).substr(sent_, due - sent_));
    sent_ += n;
    if (sent_ < due) return;  // the line is full; try again shortly
    if (sent_ == c.bytes.size()) {
      out_.pop_front();
      sent_ = 0;
    }
  }
}

int Face::poll_timeout() const {
  int timeout = kPeerPollMs;
  uint64_t t = now();
  auto until = [&](uint64_t at) { return static_cast<int>(at > t ? at - t : 0); };
  if (boot_at_) timeout = std::min(timeout, until(*boot_at_));
  if (open_ && !out_.empty()) {
    const uint64_t baud = std::max<uint32_t>(model_.config().baud, 1);
    uint64_t next = out_.front().at_ms + (sent_ * 10000) / baud;
    timeout = std::min(timeout, std::max(until(next), 1));
  }
  return timeout;
}

void Face::on_port_input() {
  bool gone = false;
  std::string bytes = port_.read_available(gone);
  if (!bytes.empty()) {
    log("<- " + escaped(bytes));
    queue(model_.receive(now(), bytes));
    save_if_changed();
  }
  if (gone) check_peer();
}

void Face::on_stdin() {
  char buf[256];
  ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
  if (n <= 0) {
    if (n == 0 || errno != EINTR) stdin_open_ = false;
    return;
  }
  if (std::find(buf, buf + n, '\n') != buf + n) boot();
}

void Face::on_signal_pipe() {
  char buf[64];
  ssize_t n = read(g_signal_pipe[0], buf, sizeof buf);
  for (ssize_t i = 0; i < n; ++i) {
    if (buf[i] == 'q') quit_ = true;
    else boot();
  }
}

void Face::save_if_changed() {
  if (options_.state_path.empty() || model_.revision() == saved_revision_) return;
  saved_revision_ = model_.revision();
  std::string err = save_state(options_.state_path, model_.settings());
  if (!err.empty()) std::fprintf(stderr, "dtu-sim: %s\n", err.c_str());
}

int Face::run() {
  while (!quit_) {
    check_peer();
    if (boot_at_ && now() >= *boot_at_) boot();
    if (open_ && out_.size() < 2) queue(model_.stream_data(now()));
    send_due();
    pollfd fds[4] = {{g_signal_pipe[0], POLLIN, 0}, {-1, POLLIN, 0}, {-1, POLLIN, 0}, {port_.watch_fd(), POLLIN, 0}};
    if (stdin_open_) fds[1].fd = STDIN_FILENO;
    // While nobody has the slave open the master always reports a hang-up; leave it out
    // then and look again after a short period.
    if (open_) fds[2].fd = port_.fd();
    if (poll(fds, 4, poll_timeout()) < 0 && errno != EINTR) return 1;
    if (fds[3].revents & POLLIN) on_open_events();
    if (fds[0].revents & POLLIN) on_signal_pipe();
    if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) on_stdin();
    if (fds[2].revents & POLLIN) on_port_input();
    if (fds[2].revents & POLLHUP) {
      on_open_events();
      // A hang-up the open count does not explain: trust the hang-up, or the loop would spin.
      if (port_.peer_present() != open_) {
        holders_ = 0;
        set_open(false);
      }
    }
  }
  log("stopped");
  return 0;
}

bool make_link(const std::string& link, const std::string& target) {
  std::error_code ec;
  if (std::filesystem::is_symlink(link, ec)) std::filesystem::remove(link, ec);
  std::filesystem::create_symlink(target, link, ec);
  if (ec) std::fprintf(stderr, "dtu-sim: cannot create link %s: %s\n", link.c_str(), ec.message().c_str());
  return !ec;
}

}  // namespace

int run_pty_face(const Options& options) {
  Settings settings = Settings::factory();
  if (!options.state_path.empty()) {
    LoadedState loaded = load_state(options.state_path);
    for (const auto& p : loaded.problems) std::fprintf(stderr, "dtu-sim: %s: %s\n", options.state_path.c_str(), p.c_str());
    settings = loaded.settings;
    if (!loaded.found) save_state(options.state_path, settings);
  }
  std::string error;
  auto port = PtyPort::create(error);
  if (!port || !install_signals(error)) {
    std::fprintf(stderr, "dtu-sim: %s\n", error.c_str());
    return 1;
  }
  // The link exists before the path is printed, so whoever reads the path can use either.
  bool linked = !options.link_path.empty() && make_link(options.link_path, port->path());
  std::printf("%s\n", port->path().c_str());
  std::fflush(stdout);

  Model model(options.config, settings);
  Face face(options, *port, model);
  int code = face.run();

  if (linked) {
    std::error_code ec;
    std::filesystem::remove(options.link_path, ec);
  }
  return code;
}

}  // namespace dtusim
