#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "runtime/library/commands.h"
#include "tests/library/library_test_support.h"

using namespace lib_test;

namespace {

int32_t to_int(const rt::Value& v) { return as_int(call(rt::cmd_to_int, {v})); }
std::string to_text(const rt::Value& v) { return take_text(call(rt::cmd_to_text, {v})); }
std::string to_binary(const rt::Value& v) { return take_binary(call(rt::cmd_to_binary, {v})); }

rt::Value of_float(float f) {
  rt::Value v;
  v.set_float(f);
  return v;
}
rt::Value of_double(double d) {
  rt::Value v;
  v.set_double(d);
  return v;
}
rt::Value of_date(double d) {
  rt::Value v;
  v.set_datetime(d);
  return v;
}

TEST(ToInt, TextsWithFullWidthCharacters) {
  EXPECT_EQ(to_int(text(gbk("１２３").c_str())), 123);
  EXPECT_EQ(to_int(text("  -42abc")), -42);
  EXPECT_EQ(to_int(text("abc")), 0);
  EXPECT_EQ(to_int(text(nullptr)), 0);
  EXPECT_EQ(to_int(text(gbk("　－７").c_str())), -7);        // full-width space and minus
  EXPECT_EQ(to_int(text(gbk("1中2").c_str())), 1);           // other characters end the number
  EXPECT_EQ(to_int(text("99999999999")), INT32_MAX);         // saturates instead of wrapping
  EXPECT_EQ(to_int(text("-99999999999")), INT32_MIN);
  EXPECT_EQ(as_int(call(rt::cmd_to_byte, {integer(0x1234)})), 0x34);
  EXPECT_EQ(as_int(call(rt::cmd_to_byte, {text("-1")})), 0xFF);
}

TEST(ToInt, OtherTypes) {
  rt::Value v;
  v.set_short(-3);
  EXPECT_EQ(to_int(v), -3);  // sign-extended
  v.set_long(0x1'0000'0007LL);
  EXPECT_EQ(to_int(v), 7);  // low 32 bits
  EXPECT_EQ(to_int(of_float(-2.9f)), -2);
  EXPECT_EQ(to_int(of_double(1e300)), INT32_MAX);  // saturates: no undefined conversion
  EXPECT_EQ(to_int(of_double(NAN)), 0);
  EXPECT_EQ(to_int(of_date(5.5)), 0);
}

// Full-width forms from iconv, compared with the C library's reading of the ASCII form.
TEST(ToInt, AgreesWithStrtolOverFullWidthForms) {
  static const char* const kAscii = "0123456789+- ";
  static const char* const kWide[] = {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９", "＋", "－", "　"};
  std::mt19937 rng(7);
  for (int round = 0; round < 2000; ++round) {
    std::string ascii, mixed;
    int len = std::uniform_int_distribution<int>(0, 9)(rng);
    for (int i = 0; i < len; ++i) {
      int k = std::uniform_int_distribution<int>(0, 12)(rng);
      ascii += kAscii[k];
      mixed += rng() % 2 ? gbk(kWide[k]) : std::string(1, kAscii[k]);
    }
    ASSERT_EQ(to_int(text(mixed.c_str())), static_cast<int32_t>(std::strtol(ascii.c_str(), nullptr, 10)))
        << ascii;
  }
}

TEST(ToText, NumbersLogicalAndBytes) {
  EXPECT_EQ(to_text(integer(-17)), "-17");
  rt::Value v;
  v.set_byte(255);
  EXPECT_EQ(to_text(v), "255");
  v.set_long(-9000000000LL);
  EXPECT_EQ(to_text(v), "-9000000000");
  v.set_logical(true);
  EXPECT_EQ(to_text(v), gbk("真"));
  v.set_logical(false);
  EXPECT_EQ(to_text(v), gbk("假"));
  EXPECT_EQ(to_text(of_double(0.1)), "0.1");
  EXPECT_EQ(to_text(of_double(1.0 / 3)), "0.3333333333333");
  EXPECT_EQ(to_text(text("copy")), "copy");
  EXPECT_EQ(call(rt::cmd_to_text, {none()}).pointer(), nullptr);

  uint8_t* bytes = byte_array({0x41, 0x42, 0x00, 0x43});
  rt::Value arr;
  arr.set_pointer(bytes, rt::kByte | rt::kArrayBit);
  EXPECT_EQ(to_text(arr), "AB");
  uint8_t* all = byte_array({0x41, 0x42});
  arr.set_pointer(all, rt::kByte | rt::kArrayBit);
  EXPECT_EQ(to_text(arr), "AB");
  arr.set_pointer(all, rt::kText | rt::kArrayBit);  // not a numeric array
  EXPECT_EQ(to_text(arr), "");
  rt::free(bytes);
  rt::free(all);

  uint8_t* bin = rt::new_binary("x\0y", 3);
  rt::Value b;
  b.set_binary(bin);
  EXPECT_EQ(to_text(b), "x");
  EXPECT_EQ(to_binary(b), std::string("x\0y", 3));
  rt::free(bin);
}

TEST(ToText, FloatRoundsHalvesAwayFromZero) {
  EXPECT_EQ(to_text(of_float(123456.5f)), "123457");    // the printer alone gives 123456
  EXPECT_EQ(to_text(of_float(-123456.5f)), "-123457");
  EXPECT_EQ(to_text(of_float(1234565.0f)), "1.23457e+06");
  EXPECT_EQ(to_text(of_float(1234564.5f)), "1.23456e+06");
  EXPECT_EQ(to_text(of_float(999999.5f)), "1e+06");
  EXPECT_EQ(to_text(of_float(0.5f)), "0.5");
  EXPECT_EQ(to_text(of_float(0.0f)), "0");
  EXPECT_EQ(to_text(of_float(0.1f)), "0.1");
  // Away from exact ties the result is the C library's "%.6g".
  std::mt19937 rng(3);
  for (int i = 0; i < 20000; ++i) {
    uint32_t bits = static_cast<uint32_t>(rng());
    float f;
    std::memcpy(&f, &bits, 4);
    if (!std::isfinite(f)) continue;
    char exact[128], want[64];
    std::snprintf(exact, sizeof exact, "%.60e", static_cast<double>(f));
    const char* m = exact + (exact[0] == '-');
    const char* e = std::strchr(m, 'e');
    std::string tail = std::string(m + 7, e);
    if (tail.find_first_not_of('0', 1) == std::string::npos && tail[0] == '5') continue;  // a tie
    std::snprintf(want, sizeof want, "%.6g", static_cast<double>(f));
    ASSERT_EQ(to_text(of_float(f)), want) << exact;
  }
}

TEST(ToText, DateTime) {
  EXPECT_EQ(to_text(of_date(0)), gbk("1899年12月30日"));
  EXPECT_EQ(to_text(of_date(45000.5)), gbk("2023年3月15日12时"));
  EXPECT_EQ(to_text(of_date(45000 + (12 * 3600 + 5 * 60) / 86400.0)), gbk("2023年3月15日12时5分"));
  EXPECT_EQ(to_text(of_date(45000 + 7 / 86400.0)), gbk("2023年3月15日0时0分7秒"));
  EXPECT_EQ(to_text(of_date(-1.25)), gbk("1899年12月29日6时"));  // the fraction is the time of day
  EXPECT_EQ(to_text(of_date(1e12)), gbk("9999年12月31日"));       // clamped
  EXPECT_EQ(to_text(of_date(-1e12)), gbk("100年1月1日"));
  // Against the standard library's civil calendar for whole seconds since 1970, up to 2096
  // (past what a 32-bit time_t, as 32-bit Windows' C library has, can hold).
  std::mt19937 rng(11);
  for (int i = 0; i < 500; ++i) {
    const long long t = rng() % 4000000000u;
    const std::chrono::year_month_day day{std::chrono::sys_days{std::chrono::days{t / 86400}}};
    const int seconds = static_cast<int>(t % 86400), hour = seconds / 3600, minute = seconds / 60 % 60,
              second = seconds % 60;
    char want[64];
    std::snprintf(want, sizeof want, "%d年%u月%u日", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
    std::string expect = gbk(want);
    if (second) {
      std::snprintf(want, sizeof want, "%d时%d分%d秒", hour, minute, second);
      expect += gbk(want);
    } else if (minute) {
      std::snprintf(want, sizeof want, "%d时%d分", hour, minute);
      expect += gbk(want);
    } else if (hour) {
      std::snprintf(want, sizeof want, "%d时", hour);
      expect += gbk(want);
    }
    ASSERT_EQ(to_text(of_date(25569.0 + static_cast<double>(t) / 86400.0)), expect) << t;
  }
}

TEST(ToBinary, BytesOfEachKind) {
  EXPECT_EQ(to_binary(integer(0x01020304)), "\x04\x03\x02\x01");
  EXPECT_EQ(to_binary(of_double(1.0)), std::string("\0\0\0\0\0\0\xF0\x3F", 8));
  EXPECT_EQ(to_binary(text("AB")), "AB");
  EXPECT_EQ(call(rt::cmd_to_binary, {text("")}).pointer(), nullptr);
  uint8_t* shorts = rt::new_array(2, 2);
  std::memcpy(rt::array_elements(shorts), "\x01\x00\x02\x00", 4);
  rt::Value arr;
  arr.set_pointer(shorts, rt::kShort | rt::kArrayBit);
  EXPECT_EQ(to_binary(arr), std::string("\x01\x00\x02\x00", 4));
  rt::free(shorts);
}

TEST(Results, LeaveTheTagZeroAndArgumentsIntact) {
  char input[] = "  x  ";
  rt::Value arg = text(input);
  rt::Value r = call(rt::cmd_trim_spaces, {arg});
  EXPECT_EQ(r.tag, 0u);
  EXPECT_NE(r.pointer(), static_cast<void*>(input));
  EXPECT_STREQ(input, "  x  ");
  EXPECT_EQ(take_text(r), "x");
}

}  // namespace
