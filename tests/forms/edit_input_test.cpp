// Input modes and IP address texts as pure rules.
#include <gtest/gtest.h>

#include "forms/edit_input.h"
#include "forms/ip_address.h"

namespace {

using forms::admits_char;
using forms::normalise_for_mode;

TEST(EditInput, TypingFiltersByMode) {
  for (int mode : {3, 6, 7, 8}) {
    EXPECT_TRUE(admits_char(mode, '-'));
    EXPECT_TRUE(admits_char(mode, '7'));
    EXPECT_FALSE(admits_char(mode, '.'));
    EXPECT_FALSE(admits_char(mode, 'a'));
  }
  for (int mode : {4, 9, 10}) EXPECT_TRUE(admits_char(mode, '.'));
  EXPECT_FALSE(admits_char(5, '-'));
  EXPECT_FALSE(admits_char(3, 0xB2E2));  // a two-byte character
  EXPECT_TRUE(admits_char(3, '\b'));     // control characters always pass
  EXPECT_TRUE(admits_char(0, 'a'));
}

TEST(EditInput, IntegerModesClampAndSaturate) {
  EXPECT_EQ(normalise_for_mode(5, "300"), "255");
  EXPECT_EQ(normalise_for_mode(5, "-4"), "0");
  EXPECT_EQ(normalise_for_mode(5, "abc"), "0");
  EXPECT_EQ(normalise_for_mode(6, "-99999"), "-32768");
  EXPECT_EQ(normalise_for_mode(7, "99999999999999999999999"), "2147483647");
  EXPECT_EQ(normalise_for_mode(8, "-99999999999999999999999"), "-9223372036854775808");
  EXPECT_EQ(normalise_for_mode(8, "12x34"), "12");
}

TEST(EditInput, DecimalAndDateModes) {
  EXPECT_EQ(normalise_for_mode(9, "1.50"), "1.5");
  EXPECT_EQ(normalise_for_mode(10, "-.25x"), "-0.25");
  EXPECT_EQ(normalise_for_mode(10, "inf"), "0");
  EXPECT_EQ(normalise_for_mode(11, "2024/2/29"), "2024-02-29");
  EXPECT_EQ(normalise_for_mode(11, "2023-2-29"), "");
  EXPECT_EQ(normalise_for_mode(11, "2024-1-2 3:04"), "2024-01-02 03:04:00");
  EXPECT_EQ(normalise_for_mode(11, "2024-1-2 25:00"), "");
  EXPECT_EQ(normalise_for_mode(3, "1a-"), "1a-");  // mode 3 never rewrites
}

TEST(IpAddress, ParsesTrimmedPartsInRange) {
  auto p = forms::parse_ip_address(" 10 . 0.0. 1 ");
  ASSERT_TRUE(p);
  EXPECT_EQ(forms::format_ip_address(*p), "10.0.0.1");
  EXPECT_EQ(forms::format_ip_address(forms::parse_ip_address("...").value()), "0.0.0.0");
  EXPECT_FALSE(forms::parse_ip_address("10.0.0"));
  EXPECT_FALSE(forms::parse_ip_address(""));
  EXPECT_FALSE(forms::parse_ip_address("256.0.0.1"));
  EXPECT_FALSE(forms::parse_ip_address("1.2.3.-1"));
  EXPECT_FALSE(forms::parse_ip_address("1.2.3.99999999999999999999"));
}

}  // namespace
