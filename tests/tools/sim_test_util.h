// Shared helpers for the simulator tests: drive a model into setting mode and look at what
// it sends.
#pragma once

#include <string>
#include <vector>

#include "tools/dtu-sim/model.h"

namespace dtusim::testing {

inline std::string joined(const std::vector<Chunk>& chunks) {
  std::string out;
  for (const auto& c : chunks) out += c.bytes;
  return out;
}

// Boots at t=0 and sends the request 1 s after the banner; returns the time of the request.
inline uint64_t enter_setting_mode(Model& model) {
  auto boot = model.boot(0);
  uint64_t at = boot.back().at_ms + 1000;
  model.receive(at, "%%%%%%%%%%\r\n");
  return at;
}

// Splits a reply at CR LF; the text after the last CR LF is dropped.
inline std::vector<std::string> reply_lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0, crlf;
  while ((crlf = text.find("\r\n", pos)) != std::string::npos) {
    lines.push_back(text.substr(pos, crlf - pos));
    pos = crlf + 2;
  }
  return lines;
}

}  // namespace dtusim::testing
