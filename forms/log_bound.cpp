#include "forms/log_bound.h"

#include <algorithm>

namespace forms {

LogBound::LogBound(size_t limit, size_t trim_to) : limit_(limit), keep_(std::min(limit, trim_to)) {}

void LogBound::measure(std::string_view text) {
  lines_.clear();
  size_ = 0;
  last_ = 0;
  known_ = true;
  grew(text);
}

size_t LogBound::grew(std::string_view appended) {
  size_ += appended.size();
  size_t from = 0;
  for (size_t at = appended.find('\n'); at != std::string_view::npos; at = appended.find('\n', from)) {
    lines_.push_back(last_ + at + 1 - from);
    last_ = 0;
    from = at + 1;
  }
  last_ += appended.size() - from;
  if (size_ <= limit_) return 0;
  const size_t excess = size_ - keep_;
  size_t cut = 0;
  for (size_t line : lines_) {
    cut += line;
    if (cut >= excess) return cut;
  }
  return excess;
}

void LogBound::dropped(size_t bytes) {
  bytes = std::min(bytes, size_);
  size_ -= bytes;
  while (bytes > 0 && !lines_.empty()) {
    if (bytes < lines_.front()) {
      lines_.front() -= bytes;
      return;
    }
    bytes -= lines_.front();
    lines_.pop_front();
  }
  last_ -= std::min(bytes, last_);
}

}  // namespace forms
