#include "tools/dtu-sim/headless_peer.h"

#include <algorithm>

namespace dtusim {

using platform::headless::PeerLink;

namespace {

// What bytes sent at one rate look like when read at another: noise.
std::string garbled(std::string_view bytes) {
  std::string out(bytes);
  for (char& c : out) c = static_cast<char>(static_cast<unsigned char>(c) ^ 0xA5);
  return out;
}

}  // namespace

HeadlessPeer::HeadlessPeer(Config config, Settings settings) : model_(std::move(config), std::move(settings)) {}

void HeadlessPeer::set_boot_delay(uint32_t ms) {
  platform::MutexLock lock(mu_);
  boot_delay_ms_ = ms;
}

void HeadlessPeer::set_boot_on_open(bool on) {
  platform::MutexLock lock(mu_);
  boot_on_open_ = on;
}

void HeadlessPeer::configure(const std::function<void(Config&)>& change) {
  platform::MutexLock lock(mu_);
  change(model_.config());
}

std::string HeadlessPeer::add_fault(std::string_view text) {
  platform::MutexLock lock(mu_);
  return dtusim::add_fault(model_.config().faults, text);
}

void HeadlessPeer::set_settings(const Settings& settings) {
  platform::MutexLock lock(mu_);
  model_ = Model(model_.config(), settings);
}

void HeadlessPeer::boot_now() {
  platform::MutexLock lock(mu_);
  if (link_ == nullptr) return;
  boot_requested_ = true;
  link_->wake_at(link_->now());
}

Config HeadlessPeer::config() const {
  platform::MutexLock lock(mu_);
  return model_.config();
}

Settings HeadlessPeer::settings() const {
  platform::MutexLock lock(mu_);
  return model_.settings();
}

std::string HeadlessPeer::received() const {
  platform::MutexLock lock(mu_);
  return model_.received();
}

std::vector<std::string> HeadlessPeer::commands() const {
  platform::MutexLock lock(mu_);
  return model_.lines();
}

std::vector<Chunk> HeadlessPeer::sent() const {
  platform::MutexLock lock(mu_);
  return sent_;
}

Mode HeadlessPeer::mode() const {
  platform::MutexLock lock(mu_);
  return model_.mode(last_now_);
}

platform::LineSettings HeadlessPeer::line() const {
  platform::MutexLock lock(mu_);
  return line_;
}

bool HeadlessPeer::is_open() const {
  platform::MutexLock lock(mu_);
  return link_ != nullptr;
}

int HeadlessPeer::boots() const {
  platform::MutexLock lock(mu_);
  return boots_;
}

void HeadlessPeer::on_open(PeerLink& link) {
  platform::MutexLock lock(mu_);
  line_ = link.settings();
  link_ = &link;
  last_now_ = link.now();
  pending_.clear();
  if (!boot_on_open_) return;
  boot_at_ = link.now() + boot_delay_ms_;
  link.wake_at(*boot_at_);
}

void HeadlessPeer::on_close() {
  platform::MutexLock lock(mu_);
  link_ = nullptr;
  boot_at_.reset();
  boot_requested_ = false;
  pending_.clear();
  model_.power_off();
}

void HeadlessPeer::on_written(PeerLink& link, const uint8_t* data, size_t size) {
  platform::MutexLock lock(mu_);
  line_ = link.settings();
  last_now_ = link.now();
  follow_baud_locked(link);
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (baud_mismatch_locked(link)) bytes = garbled(bytes);
  queue_locked(link, model_.receive(link.now(), bytes));
}

void HeadlessPeer::on_timer(PeerLink& link) {
  platform::MutexLock lock(mu_);
  if (link_ != &link) return;  // a wake left over from an earlier opening
  line_ = link.settings();
  last_now_ = link.now();
  if (boot_requested_ || (boot_at_ && *boot_at_ <= link.now())) boot_locked(link);
  send_due_locked(link);
}

void HeadlessPeer::boot_locked(PeerLink& link) {
  boot_requested_ = false;
  boot_at_.reset();
  ++boots_;
  pending_.clear();
  follow_baud_locked(link);
  queue_locked(link, model_.boot(link.now()));
}

void HeadlessPeer::queue_locked(PeerLink& link, std::vector<Chunk> chunks) {
  for (auto& c : chunks) {
    link.wake_at(static_cast<uint32_t>(c.at_ms));
    pending_.push_back(std::move(c));
  }
  // The model returns chunks in order, but a reboot may come between two calls.
  std::stable_sort(pending_.begin(), pending_.end(),
                   [](const Chunk& a, const Chunk& b) { return a.at_ms < b.at_ms; });
  send_due_locked(link);
}

// Chunks go to the line when due; the line paces their bytes at the tool's rate and keeps
// consecutive chunks from overlapping.
void HeadlessPeer::send_due_locked(PeerLink& link) {
  size_t due = 0;
  while (due < pending_.size() && pending_[due].at_ms <= link.now()) ++due;
  for (size_t i = 0; i < due; ++i) {
    std::string bytes = baud_mismatch_locked(link) ? garbled(pending_[i].bytes) : pending_[i].bytes;
    link.send_at(link.now(), bytes, true);
    sent_.push_back({link.now(), std::move(pending_[i].bytes)});
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(due));
}

bool HeadlessPeer::baud_mismatch_locked(const PeerLink& link) const {
  return model_.config().fixed_baud && link.settings().baud_rate != model_.config().baud;
}

void HeadlessPeer::follow_baud_locked(const PeerLink& link) {
  if (!model_.config().fixed_baud && link.settings().baud_rate != 0) model_.config().baud = link.settings().baud_rate;
}

}  // namespace dtusim
