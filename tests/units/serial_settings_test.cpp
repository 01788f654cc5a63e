#include <gtest/gtest.h>

#include "units/serial_settings.h"
#include "units/settings_block.h"

namespace units {
namespace {

forms::PropertyValue integer(int64_t v) { return {v, {}}; }

int32_t stored(int own_index, int64_t written) {
  SerialPortSettings s;
  s.store(own_index, integer(written));
  forms::PropertyValue out;
  EXPECT_TRUE(s.read(own_index, out));
  return static_cast<int32_t>(out.integer);
}

TEST(SerialSettings, PropertyWritesClampAsDocumented) {
  EXPECT_EQ(stored(kPortNumber, 0), 1);
  EXPECT_EQ(stored(kPortNumber, -7), 1);
  EXPECT_EQ(stored(kPortNumber, 12), 12);
  EXPECT_EQ(stored(kBaudRate, -9600), 0);
  EXPECT_EQ(stored(kDataBits, 300), 300);  // stored unchanged; only the low 8 bits are used
  EXPECT_EQ(stored(kStopBits, 0), 1);
  EXPECT_EQ(stored(kStopBits, 5), 3);
  EXPECT_EQ(stored(kParityCheck, 7), 1);
  EXPECT_EQ(stored(kTimeout, -5), 0);
  EXPECT_EQ(stored(kOpenOnCreate, -1), 1);
  EXPECT_EQ(stored(kParity, 7), 4);
  EXPECT_EQ(stored(kFlowControl, 9), 5);
  EXPECT_EQ(stored(kRtsControl, 3), 2);
  EXPECT_EQ(stored(kDtrControl, 3), 2);
  // A 64-bit value must saturate, not wrap into the valid range.
  EXPECT_EQ(stored(kPortNumber, (int64_t{1} << 32) + 5), INT32_MAX);
  EXPECT_EQ(stored(kTimeout, -(int64_t{1} << 32) + 5), 0);

  SerialPortSettings s;
  EXPECT_FALSE(s.store(12, integer(1)));
  EXPECT_FALSE(s.store(-1, integer(1)));
  forms::PropertyValue out;
  EXPECT_FALSE(s.read(12, out));
  s.store(kEventChar, {0, "\r\n"});
  ASSERT_TRUE(s.read(kEventChar, out));
  EXPECT_EQ(out.bytes, "\r\n");
}

std::vector<uint8_t> block(uint32_t version, int fields, const std::string& event_char = "") {
  BlockWriter w;
  w.u32(version);
  for (int32_t v : {3, 115200, 7, 3, 1, 250, 0}) w.i32(v);
  w.bytes(event_char);
  const int32_t tail[] = {2, 5, 1, 2};
  for (int i = 0; i < fields; ++i) w.i32(tail[i]);
  return w.take();
}

TEST(SerialSettings, BlocksOfEveryVersionLoadTheirFieldsAndKeepDefaultsForTheRest) {
  SerialPortSettings s;
  ASSERT_TRUE(s.load(block(1, 0, "#")));
  EXPECT_EQ(s.port_number, 3);
  EXPECT_EQ(s.baud_rate, 115200);
  EXPECT_EQ(s.timeout, 250);
  EXPECT_EQ(s.event_char, "#");
  EXPECT_EQ(s.parity, 0);
  ASSERT_TRUE(s.load(block(2, 1)));
  EXPECT_EQ(s.parity, 2);
  EXPECT_EQ(s.flow_control, 0);
  EXPECT_EQ(s.event_char, "");  // defaults are restored before reading
  ASSERT_TRUE(s.load(block(3, 2)));
  EXPECT_EQ(s.flow_control, 5);
  EXPECT_EQ(s.rts_control, 0);
  ASSERT_TRUE(s.load(block(4, 4, "ab")));
  EXPECT_EQ(s.rts_control, 1);
  EXPECT_EQ(s.dtr_control, 2);
  EXPECT_EQ(s.save(), block(4, 4, "ab"));  // saving writes the same version-4 layout

  // Values from a block are stored as read, without the clamps of property writes.
  BlockWriter w;
  w.u32(1);
  for (int32_t v : {-4, -1, 8, 9, 0, -3, 0}) w.i32(v);
  w.i32(-2);  // negative length: empty event character
  ASSERT_TRUE(s.load(w.take()));
  EXPECT_EQ(s.port_number, -4);
  EXPECT_EQ(s.stop_bits, 9);
  EXPECT_EQ(s.event_char, "");

  ASSERT_TRUE(s.load({}));
  EXPECT_EQ(s.baud_rate, 19200);
}

TEST(SerialSettings, RejectsNewerVersionsAndEveryTruncation) {
  SerialPortSettings s;
  EXPECT_FALSE(s.load(block(5, 4)));
  const std::vector<uint8_t> full = block(4, 4, "xyz");
  for (size_t n = 1; n < full.size(); ++n) {
    EXPECT_FALSE(s.load(std::span(full.data(), n))) << "length " << n;
  }
  // An event character longer than the rest of the block.
  BlockWriter w;
  w.u32(1);
  for (int i = 0; i < 7; ++i) w.i32(0);
  w.i32(1000);
  EXPECT_FALSE(s.load(w.take()));
}

TEST(SerialSettings, MapsOntoLineSettings) {
  using namespace platform;
  SerialPortSettings s;
  LineSettings l = to_line_settings(s);
  EXPECT_EQ(l.baud_rate, 19200u);
  EXPECT_EQ(l.data_bits, 8);
  EXPECT_EQ(l.stop_bits, StopBits::One);
  EXPECT_EQ(l.parity, Parity::None);
  EXPECT_FALSE(l.event_char.has_value());
  EXPECT_EQ(l.rts, RtsMode::On);
  EXPECT_EQ(l.dtr, DtrMode::Unchanged);
  EXPECT_EQ(l.timeout_ms, 1000u);

  s.data_bits = 0x107;
  s.stop_bits = 2;
  s.parity = 3;
  s.parity_check = 3;
  s.event_char = "\x0d\x0a";
  s.rts_control = 1;
  s.dtr_control = 1;
  s.timeout = -8;
  l = to_line_settings(s);
  EXPECT_EQ(l.data_bits, 7);
  EXPECT_EQ(l.stop_bits, StopBits::OneAndHalf);
  EXPECT_EQ(l.parity, Parity::Mark);
  EXPECT_TRUE(l.parity_check);
  EXPECT_EQ(l.event_char, uint8_t{0x0d});
  EXPECT_EQ(l.rts, RtsMode::Off);
  EXPECT_EQ(l.dtr, DtrMode::Off);
  EXPECT_EQ(l.timeout_ms, 0u);
  s.stop_bits = 3;
  s.parity = 9;  // out of range from a block: no parity
  EXPECT_EQ(to_line_settings(s).stop_bits, StopBits::Two);
  EXPECT_EQ(to_line_settings(s).parity, Parity::None);

  // Flow control overrides the RTS/DTR setting of the line it takes over.
  struct Case {
    int mode;
    bool cts, dsr, xon;
    RtsMode rts;
    DtrMode dtr;
  };
  for (const Case& c : {Case{1, true, false, false, RtsMode::Handshake, DtrMode::Off},
                        Case{2, true, false, false, RtsMode::Off, DtrMode::Handshake},
                        Case{3, false, true, false, RtsMode::Handshake, DtrMode::Off},
                        Case{4, false, true, false, RtsMode::Off, DtrMode::Handshake},
                        Case{5, false, false, true, RtsMode::Off, DtrMode::Off},
                        Case{0, false, false, false, RtsMode::Off, DtrMode::Off}}) {
    s.flow_control = c.mode;
    l = to_line_settings(s);
    EXPECT_EQ(l.cts_output_flow, c.cts) << c.mode;
    EXPECT_EQ(l.dsr_output_flow, c.dsr) << c.mode;
    EXPECT_EQ(l.xon_xoff, c.xon) << c.mode;
    EXPECT_EQ(l.rts, c.rts) << c.mode;
    EXPECT_EQ(l.dtr, c.dtr) << c.mode;
  }
}

}  // namespace
}  // namespace units
