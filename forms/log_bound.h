// The bound of a text box used as a log (the traffic monitor): it may run for a whole shift,
// so it keeps only its most recent text. Past `limit` bytes (GBK, a line break counting as
// CR LF) the oldest whole lines go until at most `trim_to` bytes remain; a last line that is
// longer than that on its own loses its beginning instead.
//
// The box's text is not read for this: the bound keeps the length of each line it holds, so
// each append costs in proportion to the appended text and each trim to the lines dropped.
// Only after the text was changed some other way is it measured once more. Its line breaks are
// CR LF throughout (platform/line_breaks.h), as the box reads them back.
#pragma once

#include <cstddef>
#include <deque>
#include <string_view>

namespace forms {

class LogBound {
 public:
  LogBound(size_t limit, size_t trim_to);

  // Whether the lines of the text are known; they are not at first and after forget().
  bool known() const { return known_; }
  // The text changed some other way than through grew() and dropped().
  void forget() { known_ = false; }
  // The whole text as it reads now (line breaks as CR LF).
  void measure(std::string_view text);
  // The text grew by `appended` (line breaks as CR LF). Returns how many bytes to drop from
  // its front now: 0 within the limit; else up to the first line start at or after the
  // excess, or the excess alone when no line starts there (the caller then cuts the last
  // line at the next character boundary). Report what went with dropped().
  size_t grew(std::string_view appended);
  // `bytes` went from the front of the text.
  void dropped(size_t bytes);

  size_t size() const { return size_; }

 private:
  const size_t limit_, keep_;
  bool known_ = false;
  size_t size_ = 0;
  std::deque<size_t> lines_;  // bytes of each whole line, its CR LF included, oldest first
  size_t last_ = 0;           // bytes after the last line break
};

}  // namespace forms
