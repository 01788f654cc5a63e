#include "tools/dtu-sim/model.h"

#include <algorithm>

#include "tools/dtu-sim/replies.h"

namespace dtusim {

namespace {

constexpr size_t kMaxLine = 1024;             // longer lines are refused as a whole
constexpr size_t kReceivedKept = 1u << 20;
constexpr size_t kLinesKept = 10000;
constexpr uint64_t kBannerGapMs = 600;        // the banner starts a burst of its own
constexpr int kStreamLinesPerChunk = 16;

}  // namespace

Model::Model(Config config, Settings settings) : config_(std::move(config)), settings_(std::move(settings)) {}

uint64_t Model::transmit_ms(size_t bytes) const {
  uint64_t baud = std::max<uint32_t>(config_.baud, 1);
  return (static_cast<uint64_t>(bytes) * 10 * 1000 + baud - 1) / baud;
}

void Model::replace_unit(Settings settings) {
  settings_ = std::move(settings);
  ++revision_;
  written_ = listed_after_write_ = false;
}

std::vector<Chunk> Model::boot(uint64_t now) {
  std::vector<Chunk> out;
  written_ = listed_after_write_ = false;
  line_.clear();
  line_overflow_ = false;
  line_free_ = now;
  mode_ = Mode::Booting;
  emit(now, garbage(config_.faults.garbage, noise_seed_) + boot_text(), out);
  emit(line_free_ + kBannerGapMs, boot_banner(), out);
  window_open_ = out.back().at_ms;
  window_end_ = line_free_ + config_.boot_window_ms;
  return out;
}

void Model::power_off() {
  mode_ = Mode::Off;
  line_.clear();
  line_overflow_ = false;
}

Mode Model::mode(uint64_t now) const {
  if (mode_ == Mode::Booting && now >= window_open_) return now <= window_end_ ? Mode::Window : Mode::Data;
  if (mode_ == Mode::Window && now > window_end_) return Mode::Data;
  return mode_;
}

std::vector<Chunk> Model::receive(uint64_t now, std::string_view bytes) {
  std::vector<Chunk> out;
  remember(bytes);
  for (char c : bytes) {
    if (c != '\n') {
      if (line_.size() < kMaxLine) line_ += c;
      else line_overflow_ = true;
      continue;
    }
    if (!line_.empty() && line_.back() == '\r') line_.pop_back();
    // An overlong line is kept only as a marker that cannot match any command.
    std::string line = line_overflow_ ? std::string("\x01overlong") : line_;
    line_.clear();
    line_overflow_ = false;
    on_line(now, line, out);
  }
  return out;
}

std::vector<Chunk> Model::stream_data(uint64_t now) {
  std::vector<Chunk> out;
  if (!config_.stream || mode(now) != Mode::Data) return out;
  std::string bytes;
  for (int i = 0; i < kStreamLinesPerChunk; ++i) bytes += server_line(++stream_lines_);
  emit(now, std::move(bytes), out);
  return out;
}

void Model::remember(std::string_view bytes) {
  if (received_.size() + bytes.size() > kReceivedKept) received_.erase(0, received_.size() / 2);
  received_.append(bytes.substr(0, kReceivedKept));
}

void Model::on_line(uint64_t now, const std::string& line, std::vector<Chunk>& out) {
  if (lines_.size() >= kLinesKept) lines_.erase(lines_.begin(), lines_.begin() + kLinesKept / 2);
  lines_.push_back(line);
  std::string name = command_name(line);
  switch (mode(now)) {
    case Mode::Window:
      if (name != "ENTER") return;  // only the request counts before setting mode
      mode_ = Mode::Setting;
      reply(now, name, enter_reply(), out);
      return;
    case Mode::Setting:
      reply(now, name, execute(name, line), out);
      return;
    default:
      return;  // off, booting or forwarding data: not a command
  }
}

std::string Model::execute(const std::string& name, const std::string& line) {
  if (name == "ENTER") return enter_reply();
  if (name == "LIST") {
    listed_after_write_ = written_;
    return listing(settings_, config_.faults);
  }
  if (name == "RST") {
    if (!(settings_ == Settings::factory())) ++revision_;
    settings_ = Settings::factory();
    return ok_reply();
  }
  auto key = key_from_name(name);
  if (!key) return error_reply();
  auto value = accept_value(*key, std::string_view(line).substr(line.find('=') + 1));
  if (!value) return error_reply();
  written_ = true;
  listed_after_write_ = false;
  if (config_.faults.stale == *key) return ok_reply();
  if (settings_.get(*key) != *value) {
    settings_.put(*key, std::move(*value));
    ++revision_;
  }
  return ok_reply();
}

void Model::reply(uint64_t now, const std::string& name, const std::string& text, std::vector<Chunk>& out) {
  const Faults& f = config_.faults;
  if (f.no_answer && (f.no_answer->empty() || *f.no_answer == name)) return;
  auto custom = config_.command_delay_ms.find(name);
  uint64_t delay = custom != config_.command_delay_ms.end() ? custom->second : config_.reply_delay_ms;
  delay += f.late_ms;
  if (name == "RST" && f.slow_reset_ms) delay = std::max<uint64_t>(delay, *f.slow_reset_ms);
  std::string bytes = garbage(f.garbage, noise_seed_) + text;
  uint64_t at = now + delay;
  if (f.split_gap_ms && bytes.size() > 1) {
    size_t half = bytes.size() / 2;
    emit(at, bytes.substr(0, half), out);
    emit(line_free_ + *f.split_gap_ms, bytes.substr(half), out);
    return;
  }
  emit(at, std::move(bytes), out);
}

// Queues output behind what is already on its way, as a device with one send buffer does.
void Model::emit(uint64_t at, std::string bytes, std::vector<Chunk>& out) {
  at = std::max(at, line_free_);
  line_free_ = at + transmit_ms(bytes.size());
  out.push_back({at, std::move(bytes)});
}

}  // namespace dtusim
