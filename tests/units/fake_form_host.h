// A stand-in for the form runtime in unit tests: records the events units raise, runs a
// test-supplied handler for them, and answers unit look-ups for live serial port units.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "forms/unit.h"
#include "runtime/form_host.h"

namespace units::test {

struct RaisedEvent {
  uint32_t form_id, unit_id;
  int32_t index;
  std::vector<int32_t> args;
  bool operator==(const RaisedEvent&) const = default;
};

// What the strict unit look-up throws instead of showing the runtime error box.
struct UnitMissing : std::runtime_error {
  UnitMissing() : std::runtime_error("unit does not exist") {}
};

class FakeFormHost final : public rt::FormHost, public forms::UnitOwner {
 public:
  std::vector<RaisedEvent> events;
  std::vector<std::pair<uint32_t, uint32_t>> destroyed;
  std::function<void(const rt::EventRecord&)> handler;  // the application's handler
  bool record = true;  // keep a copy of every event in `events`

  void reset() {
    events.clear();
    destroyed.clear();
    handler = nullptr;
    record = true;
  }

  bool load_templates(const uint8_t*, size_t, const void*) override { return false; }
  void free_templates() override {}
  bool load_form(uint32_t) override { return false; }
  bool any_form_alive() const override { return false; }
  rt::UnitWindow unit_window(uint32_t form_id, uint32_t unit_id, bool strict) override;
  void append_text(uint32_t, uint32_t, std::string_view) override {}
  uint64_t read_property(uint32_t, uint32_t, int, int) override { return 0; }
  void write_property(uint32_t, uint32_t, int, int, uint64_t, uint32_t) override {}
  int32_t raise_event(rt::EventRecord& record) override;
  void unit_destroyed(uint32_t form_id, uint32_t unit_id) override { destroyed.emplace_back(form_id, unit_id); }
  bool offer_idle(uint32_t, bool) override { return false; }
};

FakeFormHost& fake_host();

}  // namespace units::test
