#include "units/serial_port_unit.h"

#include <map>
#include <utility>

#include "platform/backend.h"
#include "units/hidden_window.h"

namespace units {
namespace {

// Live serial port units by (form id, unit id): the port commands find their unit here.
// UI thread only.
std::map<std::pair<uint32_t, uint32_t>, SerialPortUnit*>& registry() {
  static std::map<std::pair<uint32_t, uint32_t>, SerialPortUnit*> units;
  return units;
}

}  // namespace

SerialPortUnit::SerialPortUnit(const forms::CreateContext& c, SerialPortSettings settings)
    : forms::Unit(c), settings_(std::move(settings)), design_mode_(c.design_mode) {}

std::unique_ptr<forms::Unit> SerialPortUnit::create(const forms::CreateContext& context) {
  SerialPortSettings settings;
  if (!settings.load(context.type_data)) return nullptr;
  std::unique_ptr<SerialPortUnit> unit(new SerialPortUnit(context, std::move(settings)));
  unit->window_ = create_hidden_window(context);
  if (!unit->window_) return nullptr;
  unit->set_notify_window(unit->window_);
  rt::route_window(unit->window_, unit.get());
  registry()[{context.form_id, context.unit_id}] = unit.get();
  if (!unit->design_mode_ && unit->settings_.open_on_create) unit->open_with_settings();
  return unit;
}

SerialPortUnit::~SerialPortUnit() {
  close();
  const platform::Handle h = window_;
  forget();
  if (h && platform::backend().exists(h)) platform::backend().destroy(h);
}

// Drops the window's routing and the registry entry; the window handle is cleared first so
// a destruction report that follows is not taken for a new one.
void SerialPortUnit::forget() {
  if (window_) rt::unroute_window(window_);
  window_ = 0;
  auto it = registry().find({form_id(), unit_id()});
  if (it != registry().end() && it->second == this) registry().erase(it);
}

SerialPortUnit* SerialPortUnit::find(uint32_t form_id, uint32_t unit_id) {
  auto it = registry().find({form_id, unit_id});
  return it == registry().end() ? nullptr : it->second;
}

bool SerialPortUnit::open_with_settings() { return open(settings_.port_number, to_line_settings(settings_)); }

bool SerialPortUnit::set_property(int own_index, const forms::PropertyValue& value) {
  settings_.store(own_index, value);
  return false;
}

void SerialPortUnit::on_notify(platform::Notify what) {
  if (what != platform::Notify::Destroyed || !window_) return;
  close();
  forget();
  report_destroyed();  // last: the unit model may delete this unit now
}

void SerialPortUnit::on_posted(uint32_t code, uintptr_t, intptr_t) {
  if (code == kNotifyMessage) dispatch();
}

void SerialPortUnit::on_line_event(int kind) { raise(kEventLine, {kind}); }

void SerialPortUnit::on_byte_received(uint8_t byte) { raise(kEventDataReceived, {static_cast<int32_t>(byte)}); }

}  // namespace units
