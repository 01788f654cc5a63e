// The simulated DTU's behaviour, free of any clock or I/O: the face feeds it the boot event
// and the bytes it receives, each with the current time in milliseconds, and sends the
// chunks it returns at their times, pacing the bytes of each chunk at the line's speed.
// Chunks are returned in time order and never overlap on the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/dtu-sim/config.h"
#include "tools/dtu-sim/settings.h"

namespace dtusim {

struct Chunk {
  uint64_t at_ms;
  std::string bytes;
  bool operator==(const Chunk&) const = default;
};

enum class Mode {
  Off,      // never booted, or the line was closed
  Booting,  // printing the boot text and banner; input is ignored
  Window,   // banner on its way or printed: the setting-mode request is accepted
  Setting,  // commands are answered
  Data,     // the window was missed: input is data, not commands, until the next boot
};

class Model {
 public:
  explicit Model(Config config = {}, Settings settings = Settings::factory());

  // Power-on or restart. Output scheduled before it is void; the face drops what it holds.
  std::vector<Chunk> boot(uint64_t now_ms);
  std::vector<Chunk> receive(uint64_t now_ms, std::string_view bytes);
  // With `stream` configured and the DTU in data mode: the next piece of server data, to go
  // out after what is already on its way. Nothing otherwise.
  std::vector<Chunk> stream_data(uint64_t now_ms);
  // The line went away: forget the partial line, stop answering until the next boot.
  void power_off();

  Mode mode(uint64_t now_ms) const;
  const Settings& settings() const { return settings_; }
  // Bumped by every change of the settings, so a face knows when to save them.
  uint64_t revision() const { return revision_; }
  // Since the last boot the DTU took at least one set command and was listed after the
  // last one: what a finished write followed by a check looks like from the DTU's side.
  bool written_and_checked() const { return written_ && listed_after_write_; }
  // Another DTU in this one's place (the technician swapped units): its settings, and no
  // history of this boot.
  void replace_unit(Settings settings);
  const Config& config() const { return config_; }
  Config& config() { return config_; }

  // Everything received (the most recent 1 MiB), and every complete line received, in
  // order (the most recent 10000), whatever the mode.
  const std::string& received() const { return received_; }
  const std::vector<std::string>& lines() const { return lines_; }

  // Time the line needs for `bytes` bytes at the configured speed.
  uint64_t transmit_ms(size_t bytes) const;

 private:
  void on_line(uint64_t now, const std::string& line, std::vector<Chunk>& out);
  // Carries out one command in setting mode; returns the reply text.
  std::string execute(const std::string& name, const std::string& line);
  void reply(uint64_t now, const std::string& name, const std::string& text, std::vector<Chunk>& out);
  void emit(uint64_t at, std::string bytes, std::vector<Chunk>& out);
  void remember(std::string_view bytes);

  Config config_;
  Settings settings_;
  uint64_t revision_ = 0;
  bool written_ = false;
  bool listed_after_write_ = false;
  Mode mode_ = Mode::Off;
  uint64_t window_open_ = 0;  // the request is accepted once the banner starts ...
  uint64_t window_end_ = 0;   // ... until the boot window after its end has passed
  uint64_t line_free_ = 0;   // when the output scheduled so far has left the line
  std::string line_;
  bool line_overflow_ = false;
  uint32_t noise_seed_ = 1;
  uint64_t stream_lines_ = 0;
  std::string received_;
  std::vector<std::string> lines_;
};

}  // namespace dtusim
