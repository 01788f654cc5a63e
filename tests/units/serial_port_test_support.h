// Creating serial port units and calling their library commands in tests.
#pragma once

#include <string>

#include "units/port_commands.h"
#include "tests/units/headless_fixture.h"
#include "units/serial_port_unit.h"

namespace units::test {

inline constexpr uint32_t kPort = 0x1601004C;
inline constexpr uint32_t kSerialPortType = 0x00010027;

class SerialUnitTest : public HeadlessUnitTest {
 protected:
  void TearDown() override {
    unit.reset();
    set_device_opener(nullptr);
    HeadlessUnitTest::TearDown();
  }

  // Creates the unit set to COM `n` (platform::serial_device_path(n) is the device it opens).
  void make(int n, std::span<const uint8_t> block = {}) {
    unit = SerialPortUnit::create(context(kPort, block));
    ASSERT_NE(unit, nullptr);
    set(kPortNumber, n);
  }
  SerialPortUnit& port() { return static_cast<SerialPortUnit&>(*unit); }
  void set(int own_index, int64_t v) { unit->set_property(own_index, {v, {}}); }
  void set_text(int own_index, const std::string& s) { unit->set_property(own_index, {0, s}); }

  rt::Value reference() const {
    rt::Value r;
    r.set_unit(kForm, kPort, kSerialPortType);
    return r;
  }
  bool open_port() {
    rt::Value args[1] = {reference()}, result;
    units::cmd_open_port(&result, 1, args);
    return result.low == 1;
  }
  void close_port() {
    rt::Value args[1] = {reference()}, result;
    units::cmd_close_port(&result, 1, args);
  }
  bool send(const rt::Value& data) {
    rt::Value args[2] = {reference(), data}, result;
    units::cmd_send_data(&result, 2, args);
    return result.low == 1;
  }
  bool send_text(const char* text) {
    rt::Value v;
    v.set_text(text);
    return send(v);
  }

  // Arguments of the DataReceived events so far.
  std::vector<int32_t> received() const {
    std::vector<int32_t> out;
    for (const RaisedEvent& e : events(kEventDataReceived)) out.push_back(e.args.at(0));
    return out;
  }
  // Kinds of the LineEvents so far.
  std::vector<int32_t> line_kinds() const {
    std::vector<int32_t> out;
    for (const RaisedEvent& e : events(kEventLine)) out.push_back(e.args.at(0));
    return out;
  }

  std::unique_ptr<forms::Unit> unit;
};

}  // namespace units::test
