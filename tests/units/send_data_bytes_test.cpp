#include <gtest/gtest.h>

#include <vector>

#include "units/send_data_bytes.h"

namespace units {
namespace {

std::vector<uint8_t> bytes_of(const rt::Value& v) {
  std::array<uint8_t, 8> scratch{};
  auto b = send_data_bytes(v, scratch);
  EXPECT_TRUE(b.has_value());
  return b ? std::vector<uint8_t>(b->begin(), b->end()) : std::vector<uint8_t>{};
}

bool refused(const rt::Value& v) {
  std::array<uint8_t, 8> scratch{};
  return !send_data_bytes(v, scratch).has_value();
}

TEST(SendDataBytes, EachArgumentKindSendsItsOwnBytes) {
  rt::Value v;
  v.set_text("AT");
  EXPECT_EQ(bytes_of(v), (std::vector<uint8_t>{'A', 'T'}));  // no terminating zero
  v.set_text(nullptr);
  EXPECT_TRUE(bytes_of(v).empty());

  const uint8_t block[] = {1, 0, 0, 0, 3, 0, 0, 0, 0x25, 0x00, 0xFF, 0xEE};  // the 0xEE is past the count
  v.set_binary(block);
  EXPECT_EQ(bytes_of(v), (std::vector<uint8_t>{0x25, 0x00, 0xFF}));
  v.set_binary(nullptr);
  EXPECT_TRUE(bytes_of(v).empty());

  v.set_byte(0xAB);
  EXPECT_EQ(bytes_of(v), (std::vector<uint8_t>{0xAB}));
  v.set_short(-2);
  EXPECT_EQ(bytes_of(v), (std::vector<uint8_t>{0xFE, 0xFF}));
  v.set_int(1);
  EXPECT_EQ(bytes_of(v), (std::vector<uint8_t>{1, 0, 0, 0}));
  v.set_logical(true);
  EXPECT_EQ(bytes_of(v), (std::vector<uint8_t>{1, 0, 0, 0}));
  v.set_float(1.0f);
  EXPECT_EQ(bytes_of(v), (std::vector<uint8_t>{0, 0, 0x80, 0x3F}));
  v.set_long(0x0102030405060708);
  EXPECT_EQ(bytes_of(v), (std::vector<uint8_t>{8, 7, 6, 5, 4, 3, 2, 1}));
  v.set_double(1.0);
  EXPECT_EQ(bytes_of(v), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
  v.set_datetime(1.0);
  EXPECT_EQ(bytes_of(v).size(), 8u);
  v.set_bits64(0x1122334455667788, rt::kEightByte);
  EXPECT_EQ(bytes_of(v), (std::vector<uint8_t>{0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11}));
  v.set_bits64(0x1122334455667788, rt::kSubroutinePtr);
  EXPECT_EQ(bytes_of(v).size(), 4u);
}

TEST(SendDataBytes, RefusesArraysUnitsAndMissingArguments) {
  rt::Value v;
  EXPECT_TRUE(refused(v));  // tag 0: not given
  v.set_unit(0x52010001, 0x1601004C, 0x00010027);
  EXPECT_TRUE(refused(v));
  v.set_bits64(0, rt::kBinary | rt::kArrayBit);
  EXPECT_TRUE(refused(v));
  v.set_bits64(0, rt::kByte | rt::kArrayBit);
  EXPECT_TRUE(refused(v));
  v.set_bits64(0, 0x40000001);  // a record type
  EXPECT_TRUE(refused(v));
}

}  // namespace
}  // namespace units
