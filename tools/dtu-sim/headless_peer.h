// The simulated DTU on an in-memory serial line of the headless backend, driven by its
// virtual clock. Register it with HeadlessBackend::add_serial_peer; the DTU boots
// boot_delay_ms after the tool opens the port, and again after every reopen.
//
// The tool's worker thread delivers writes while the clock's thread fires timers, so every
// member takes the peer's lock; the inspection calls may be made from the test at any time.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/serial_peer.h"
#include "platform/mutex.h"
#include "tools/dtu-sim/model.h"

namespace dtusim {

class HeadlessPeer final : public platform::headless::SerialPeer {
 public:
  // The DTU talks at whatever rate the tool configured, or only at config.baud when
  // config.fixed_baud is set: a tool at another rate then sees (and sends) only noise.
  explicit HeadlessPeer(Config config = {}, Settings settings = Settings::factory());

  // ---- set-up
  void set_boot_delay(uint32_t ms);
  void set_boot_on_open(bool on);  // off: boots only on boot_now()
  void configure(const std::function<void(Config&)>& change);
  std::string add_fault(std::string_view text);  // "" or an error message
  void set_settings(const Settings& settings);
  // Restarts the DTU now, as a power cycle would; ignored while the port is closed.
  void boot_now();

  // ---- inspection
  Config config() const;
  Settings settings() const;
  std::string received() const;             // every byte the tool wrote
  std::vector<std::string> commands() const;  // the complete lines among them
  std::vector<Chunk> sent() const;          // what went out, with the time it started
  Mode mode() const;                        // as of the last callback
  platform::LineSettings line() const;      // as the tool configured it, as of the last callback
  bool is_open() const;
  int boots() const;

  // ---- SerialPeer
  void on_open(platform::headless::PeerLink& link) override;
  void on_close() override;
  void on_written(platform::headless::PeerLink& link, const uint8_t* data, size_t size) override;
  void on_timer(platform::headless::PeerLink& link) override;

 private:
  void boot_locked(platform::headless::PeerLink& link) REQUIRES(mu_);
  void queue_locked(platform::headless::PeerLink& link, std::vector<Chunk> chunks) REQUIRES(mu_);
  void send_due_locked(platform::headless::PeerLink& link) REQUIRES(mu_);
  bool baud_mismatch_locked(const platform::headless::PeerLink& link) const REQUIRES(mu_);
  void follow_baud_locked(const platform::headless::PeerLink& link) REQUIRES(mu_);

  mutable platform::Mutex mu_;
  Model model_ GUARDED_BY(mu_);
  platform::LineSettings line_ GUARDED_BY(mu_);
  uint32_t boot_delay_ms_ GUARDED_BY(mu_) = 1000;
  bool boot_on_open_ GUARDED_BY(mu_) = true;
  platform::headless::PeerLink* link_ GUARDED_BY(mu_) = nullptr;  // while the port is open
  std::optional<uint32_t> boot_at_ GUARDED_BY(mu_);
  bool boot_requested_ GUARDED_BY(mu_) = false;
  std::vector<Chunk> pending_ GUARDED_BY(mu_);  // in time order
  std::vector<Chunk> sent_ GUARDED_BY(mu_);
  uint64_t last_now_ GUARDED_BY(mu_) = 0;
  int boots_ GUARDED_BY(mu_) = 0;
};

}  // namespace dtusim
