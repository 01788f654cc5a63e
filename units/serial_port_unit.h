// The serial port unit: the form unit through which the tool talks to the DTU. It stores
// the line settings as properties, opens the port with them on request, and turns received
// bytes and line events into its events 1 (DataReceived) and 0 (LineEvent).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "forms/unit.h"
#include "runtime/window_router.h"
#include "units/comm_port.h"
#include "units/serial_settings.h"

namespace units {

inline constexpr int32_t kEventLine = 0, kEventDataReceived = 1;

class SerialPortUnit final : public forms::Unit, public CommPort, private rt::WindowReceiver {
 public:
  // Null when the saved-settings block is rejected or the window cannot be created.
  static std::unique_ptr<forms::Unit> create(const forms::CreateContext& context);
  ~SerialPortUnit() override;

  // The live serial port unit with these ids, or null.
  static SerialPortUnit* find(uint32_t form_id, uint32_t unit_id);

  // Opens the port with the stored settings (the open_port command).
  bool open_with_settings();
  const SerialPortSettings& settings() const { return settings_; }

  platform::Handle window() const override { return window_; }
  bool get_property(int own_index, forms::PropertyValue& out) override { return settings_.read(own_index, out); }
  // Stores only: the new value takes effect at the next open.
  bool set_property(int own_index, const forms::PropertyValue& value) override;
  std::vector<uint8_t> save_settings() const override { return settings_.save(); }

  void on_notify(platform::Notify what) override;
  void on_posted(uint32_t code, uintptr_t wparam, intptr_t lparam) override;

 protected:
  void on_line_event(int kind) override;
  void on_byte_received(uint8_t byte) override;

 private:
  SerialPortUnit(const forms::CreateContext& context, SerialPortSettings settings);
  void forget();

  platform::Handle window_ = 0;
  SerialPortSettings settings_;
  bool design_mode_ = false;
};

}  // namespace units
