#include <gtest/gtest.h>

#include <random>

#include "runtime/library/commands.h"
#include "tests/library/library_test_support.h"

using namespace lib_test;

namespace {

int32_t find(const std::string& hay, const std::string& needle, rt::Value start, rt::Value ignore_case) {
  return as_int(call(rt::cmd_find_text, {text(hay.c_str()), text(needle.c_str()), start, ignore_case}));
}
rt::Value logical(bool on) {
  rt::Value v;
  v.set_logical(on);
  return v;
}
std::vector<std::string> split(const std::string& s, rt::Value delimiter, rt::Value max, int* nulls = nullptr) {
  return take_texts(call(rt::cmd_split_text, {text(s.c_str()), delimiter, max}), nulls);
}
std::string trim(const std::string& s) { return take_text(call(rt::cmd_trim_spaces, {text(s.c_str())})); }
std::string remove(const std::string& s) { return take_text(call(rt::cmd_remove_spaces, {text(s.c_str())})); }

TEST(FindText, StartCaseAndEmptyNeedle) {
  EXPECT_EQ(find("ABCabc", "abc", integer(1), logical(false)), 4);
  EXPECT_EQ(find("ABCabc", "abc", integer(1), logical(true)), 1);
  EXPECT_EQ(find("ABCabc", "abc", integer(5), logical(false)), -1);
  EXPECT_EQ(find("ABCabc", "abc", integer(7), logical(false)), -1);
  EXPECT_EQ(find("ABCabc", "", integer(1), logical(false)), 1);
  EXPECT_EQ(find("", "", none(), none()), -1);
  EXPECT_EQ(find("ABCabc", "", integer(9), none()), -1);
  // Omitted, zero and negative starts all search from the beginning.
  EXPECT_EQ(find("xyz", "x", none(), none()), 1);
  EXPECT_EQ(find("xyz", "x", integer(0), none()), 1);
  EXPECT_EQ(find("xyz", "x", integer(-5), none()), 1);
  // Only exactly 1 ignores case.
  rt::Value two;
  two.low = 2;
  two.tag = rt::kLogical;
  EXPECT_EQ(find("ABC", "abc", integer(1), two), -1);
  // A null text reads as empty.
  EXPECT_EQ(as_int(call(rt::cmd_find_text, {text(nullptr), text("a"), none(), none()})), -1);
  EXPECT_EQ(as_int(call(rt::cmd_text_length, {text(nullptr)})), 0);
  EXPECT_EQ(as_int(call(rt::cmd_text_length, {text("ab\xD6\xD0")})), 4);
}

TEST(FindText, NeverMatchesOnATrailByte) {
  // 0x81 0x41 is one character whose second byte is 'A'; 0xB0 0xA1 ends in a full-width
  // space's byte.
  EXPECT_EQ(find("\x81\x41", "A", none(), none()), -1);
  EXPECT_EQ(find("\x81\x41" "A", "A", none(), none()), 3);
  EXPECT_EQ(find("\x81\x41" "a", "a", none(), logical(true)), 3);
  EXPECT_EQ(find("\xB0\xA1\xA1\xB0", "\xA1\xA1", none(), none()), -1);
  // A lead byte at the end is scanned alone, never read past.
  EXPECT_EQ(find("a\xB0", "\xB0", none(), none()), 2);
}

TEST(SplitText, RulesAndExample) {
  EXPECT_EQ(split("a//b////c//", text("//"), none()), (std::vector<std::string>{"a", "b", "", "c"}));
  EXPECT_EQ(split("a//b////c//", text("//"), integer(2)), (std::vector<std::string>{"a", "b"}));
  int nulls = 0;
  EXPECT_EQ(split("a,,b,", none(), none(), &nulls), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(nulls, 1);  // an empty element is the null text
  EXPECT_TRUE(split("", text(","), none()).empty());
  EXPECT_TRUE(split("a,b", text(","), integer(0)).empty());
  EXPECT_TRUE(split("a,b", text(","), integer(-3)).empty());
  EXPECT_EQ(split("abc", text(""), none()), (std::vector<std::string>{"abc"}));
  EXPECT_EQ(split(",a", text(","), none()), (std::vector<std::string>{"", "a"}));
  // The settings file's use: keys with "= " and the rest dropped after the maximum.
  EXPECT_EQ(split("ID= 123= x", text("= "), integer(2)), (std::vector<std::string>{"ID", "123"}));
  // A delimiter byte inside a two-byte character does not split it.
  EXPECT_EQ(split("\x81\x2C" ",b", text(","), none()), (std::vector<std::string>{"\x81\x2C", "b"}));
}

TEST(Blanks, TrimAndRemove) {
  const std::string wide = "\xA1\xA1";
  EXPECT_EQ(trim("  " + wide + " "), "");
  EXPECT_EQ(call(rt::cmd_trim_spaces, {text("   ")}).pointer(), nullptr);
  EXPECT_EQ(trim("\tx\t"), "\tx\t");
  EXPECT_EQ(trim(wide + " a b " + wide + " "), "a b");
  // 0xB0 0xA1 followed by 0xA1 0xB0: two characters, no blank among them.
  EXPECT_EQ(trim("\xB0\xA1\xA1\xB0"), "\xB0\xA1\xA1\xB0");
  EXPECT_EQ(remove("\xB0\xA1\xA1\xB0"), "\xB0\xA1\xA1\xB0");
  EXPECT_EQ(remove(" a" + wide + "b \r\n"), "ab\r\n");
  EXPECT_EQ(remove(wide + " "), "");
}

// ---- cross-check against a model that works on known characters, not on bytes

struct Char {
  std::string bytes;
  bool blank;
};

const std::vector<Char>& alphabet() {
  static const std::vector<Char> chars = {
      {"a", false},        {"A", false},        {"b", false},        {",", false},     {"/", false},
      {"=", false},        {" ", true},         {"\t", false},       {"\xA1\xA1", true}, {"\xA3\xB1", false},
      {"\xD6\xD0", false}, {"\x81\x41", false}, {"\x81\x61", false}, {"\xB0\xA1", false}, {"\xA1\xB0", false},
      {"\x81\x2C", false},
  };
  return chars;
}

using Chars = std::vector<int>;  // indices into alphabet()

std::string bytes_of(const Chars& cs, size_t from = 0, size_t to = SIZE_MAX) {
  std::string s;
  for (size_t i = from; i < cs.size() && i < to; ++i) s += alphabet()[cs[i]].bytes;
  return s;
}

Chars random_chars(std::mt19937& rng, int max_len) {
  Chars cs(std::uniform_int_distribution<int>(0, max_len)(rng));
  for (int& c : cs) c = std::uniform_int_distribution<int>(0, static_cast<int>(alphabet().size()) - 1)(rng);
  return cs;
}

std::string fold(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

int32_t model_find(const Chars& hay, const Chars& needle, bool ignore_case) {
  std::string n = bytes_of(needle);
  for (size_t i = 0; i < hay.size(); ++i) {
    std::string rest = bytes_of(hay, i);
    if (rest.size() < n.size()) break;
    std::string head = rest.substr(0, n.size());
    if (ignore_case ? fold(head) == fold(n) : head == n) return static_cast<int32_t>(bytes_of(hay, 0, i).size() + 1);
  }
  return -1;
}

std::vector<std::string> model_split(const Chars& cs, const Chars& delim, size_t max) {
  std::vector<std::string> parts;
  size_t seg = 0;
  for (size_t i = 0; i < cs.size() && parts.size() < max;) {
    bool hit = i + delim.size() <= cs.size() && std::equal(delim.begin(), delim.end(), cs.begin() + i);
    if (hit) {
      parts.push_back(bytes_of(cs, seg, i));
      i += delim.size();
      seg = i;
    } else {
      ++i;
    }
  }
  if (parts.size() < max && seg < cs.size()) parts.push_back(bytes_of(cs, seg));
  return parts;
}

TEST(TextModel, RandomGbkStringsAgree) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 3000; ++round) {
    Chars hay = random_chars(rng, 14), needle = random_chars(rng, 3);
    if (needle.empty()) needle.push_back(0);
    std::string h = bytes_of(hay), n = bytes_of(needle);
    bool ic = round % 2;
    ASSERT_EQ(find(h, n, integer(1), logical(ic)), model_find(hay, needle, ic)) << h << " / " << n;

    size_t max = round % 3 == 0 ? SIZE_MAX : std::uniform_int_distribution<size_t>(1, 5)(rng);
    rt::Value max_arg = max == SIZE_MAX ? none() : integer(static_cast<int32_t>(max));
    ASSERT_EQ(split(h, text(n.c_str()), max_arg), model_split(hay, needle, h.empty() ? 0 : max)) << h << " / " << n;

    size_t first = 0, last = hay.size();
    while (first < last && alphabet()[hay[first]].blank) ++first;
    while (last > first && alphabet()[hay[last - 1]].blank) --last;
    ASSERT_EQ(trim(h), bytes_of(hay, first, last)) << h;
    Chars kept;
    for (int c : hay)
      if (!alphabet()[c].blank) kept.push_back(c);
    ASSERT_EQ(remove(h), bytes_of(kept)) << h;
  }
}

}  // namespace
