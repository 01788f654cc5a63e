// A form runtime stand-in for the runtime core's tests: records what the core asks of it
// and answers as the test configures.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/form_host.h"

namespace rt_test {

class FakeFormHost final : public rt::FormHost {
 public:
  bool templates_ok = true;
  bool form_ok = true;
  bool alive = false;
  std::function<bool(uint32_t elapsed, bool first)> idle;  // unset: no form wants idle time
  std::vector<std::string> calls;                         // in order
  const void* code_base_seen = nullptr;

  void reset() { *this = FakeFormHost(); }

  bool load_templates(const uint8_t*, size_t size, const void* code_base) override {
    calls.push_back("load_templates " + std::to_string(size));
    code_base_seen = code_base;
    return templates_ok;
  }
  void free_templates() override { calls.push_back("free_templates"); }
  bool load_form(uint32_t form_id) override {
    calls.push_back("load_form " + std::to_string(form_id));
    alive = alive || form_ok;
    return form_ok;
  }
  bool any_form_alive() const override { return alive; }
  rt::UnitWindow unit_window(uint32_t, uint32_t, bool) override { return {}; }
  void append_text(uint32_t, uint32_t, std::string_view) override {}
  uint64_t read_property(uint32_t, uint32_t, int, int) override { return 0; }
  void write_property(uint32_t, uint32_t, int, int, uint64_t, uint32_t) override {}
  int32_t raise_event(rt::EventRecord&) override { return 0; }
  void unit_destroyed(uint32_t, uint32_t) override {}
  bool offer_idle(uint32_t elapsed_ms, bool first_of_period) override {
    return idle ? idle(elapsed_ms, first_of_period) : false;
  }
};

FakeFormHost& fake_host();

}  // namespace rt_test
