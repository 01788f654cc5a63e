// The traffic monitor's bound on its own: which bytes go when a log outgrows its limit, and
// that the line lengths it keeps stay true through appends, trims and a new measure.
#include "forms/log_bound.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/line_breaks.h"

namespace {

// A log as a text box holds it: the bound decides, the box cuts at a character boundary
// (a byte with its top bit set starts a two-byte character) and tells what went.
struct Log {
  Log(size_t limit, size_t trim_to) : bound(limit, trim_to) { bound.measure(""); }
  void append(const std::string& bytes) {
    text += bytes;
    const size_t cut = bound.grew(bytes);
    if (cut == 0) return;
    size_t at = 0;
    while (at < cut) at += static_cast<unsigned char>(text[at]) >= 0x81 && at + 1 < text.size() ? 2 : 1;
    text.erase(0, at);
    bound.dropped(at);
  }
  std::string text;
  forms::LogBound bound;
};

TEST(LogBound, OldestWholeLinesGoDownToTheTrimmedSize) {
  Log log(40, 30);
  std::string all;
  for (int i = 10; i < 30; ++i) {
    const std::string line = "line " + std::to_string(i) + "\r\n";  // 9 bytes
    all += line;
    log.append(line);
    ASSERT_LE(log.text.size(), 40u);
    ASSERT_EQ(log.text, all.substr(all.size() - log.text.size()));
    ASSERT_EQ(log.text.substr(0, 5), "line ");
    ASSERT_EQ(log.bound.size(), log.text.size());
  }
  EXPECT_EQ(log.text, "line 26\r\nline 27\r\nline 28\r\nline 29\r\n");
  // A cut that lands exactly where a line ends takes the lines up to there, not one more.
  Log even(40, 30);
  for (int i = 10; i < 15; ++i) even.append("line " + std::to_string(i) + "!\r\n");  // 10 bytes each
  EXPECT_EQ(even.text, "line 12!\r\nline 13!\r\nline 14!\r\n");
  // Nothing goes while the text stays within the limit, at the limit included.
  Log exact(9, 5);
  exact.append("12345678\n");
  EXPECT_EQ(exact.text, "12345678\n");
  exact.append("x");
  EXPECT_EQ(exact.text, "x");
}

// A line longer than the trimmed size on its own loses its beginning, never half of a
// two-byte character; the lines before it go whole.
TEST(LogBound, AnOverlongLastLineLosesItsBeginningAtACharacterBoundary) {
  Log log(40, 30);
  log.append("tail\r\nab");
  std::string chinese;
  for (int i = 0; i < 20; ++i) chinese += "\xCA\xFD";
  log.append(chinese);
  EXPECT_EQ(log.text, chinese.substr(0, 30));
  // Odd excess: the cut moves on to the next boundary, and the bound counts what went.
  log.append("x");
  EXPECT_EQ(log.text, chinese.substr(0, 30) + "x");
  log.append(chinese.substr(0, 10));  // 41 bytes: 11 must go, which is 6 characters
  EXPECT_EQ(log.text, chinese.substr(0, 18) + "x" + chinese.substr(0, 10));
  EXPECT_EQ(log.bound.size(), 29u);
}

// What the box held before the bound knew it is measured once; a burst that ends inside a
// line continues that line.
TEST(LogBound, AMeasuredTextAndBurstsSplitInsideLinesCountAsOneText) {
  forms::LogBound bound(20, 10);
  EXPECT_FALSE(bound.known());
  bound.measure("0123456789\r\nabc");  // 12 + 3 bytes
  EXPECT_TRUE(bound.known());
  EXPECT_EQ(bound.grew("de"), 0u);
  EXPECT_EQ(bound.size(), 17u);
  // 23 bytes: the first line (12) is not enough to get down to 10; the second ends at 21.
  EXPECT_EQ(bound.grew("fg\r\nhi"), 21u);
  bound.dropped(21);
  EXPECT_EQ(bound.size(), 2u);
  bound.forget();
  EXPECT_FALSE(bound.known());
}

TEST(LogBound, EveryKindOfLineBreakReadsAsCrLf) {
  EXPECT_EQ(platform::crlf_line_breaks("a\rb\nc\r\nd"), "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(platform::crlf_line_breaks("\n\r"), "\r\n\r\n");
  EXPECT_EQ(platform::crlf_line_breaks("\r"), "\r\n");
  // A line break never hides inside a two-byte character: its second byte is 0x40 or more.
  EXPECT_EQ(platform::crlf_line_breaks("\xD6\n"), "\xD6\r\n");
  EXPECT_EQ(platform::crlf_line_breaks(""), "");
}

}  // namespace
