// The serial port unit's twelve line settings: defaults, the clamps of property writes, the
// saved-settings block (versions 1 to 4), and the mapping onto the platform's line settings.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "forms/unit.h"
#include "platform/serial.h"

namespace units {

// Own property indices (property index - 8).
enum SerialProperty : int {
  kPortNumber = 0, kBaudRate, kDataBits, kStopBits, kParityCheck, kEventChar, kTimeout, kOpenOnCreate,
  kParity, kFlowControl, kRtsControl, kDtrControl, kSerialPropertyCount
};

struct SerialPortSettings {
  int32_t port_number = 1;
  int32_t baud_rate = 19200;
  int32_t data_bits = 8;
  int32_t stop_bits = 1;
  int32_t parity_check = 0;
  std::string event_char;  // GBK; the first byte counts
  int32_t timeout = 1000;
  int32_t open_on_create = 0;
  int32_t parity = 0;
  int32_t flow_control = 0;
  int32_t rts_control = 0;
  int32_t dtr_control = 0;

  // A property write: stores with the clamps; false for an unknown index.
  bool store(int own_index, const forms::PropertyValue& value);
  bool read(int own_index, forms::PropertyValue& out) const;

  // Resets to the defaults, then reads the block (empty: defaults). False when the
  // version is above 4 or the block ends before the fields its version requires.
  bool load(std::span<const uint8_t> block);
  std::vector<uint8_t> save() const;  // version 4
};

// What the port is opened with.
platform::LineSettings to_line_settings(const SerialPortSettings& s);

}  // namespace units
