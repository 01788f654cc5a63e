// A form runtime stand-in for the library tests: maps (form id, unit id) to a window of
// the headless backend. An unknown unit is the runtime error the real one raises.
#pragma once

#include <cstdint>
#include <map>
#include <utility>

#include "runtime/form_host.h"

namespace lib_test {

class FakeFormHost final : public rt::FormHost {
 public:
  std::map<std::pair<uint32_t, uint32_t>, rt::UnitWindow> units;

  bool load_templates(const uint8_t*, size_t, const void*) override { return true; }
  void free_templates() override {}
  bool load_form(uint32_t) override { return true; }
  bool any_form_alive() const override { return false; }
  rt::UnitWindow unit_window(uint32_t form_id, uint32_t unit_id, bool strict) override;
  // Appends to the unit's window without a bound: the bound belongs to the form runtime.
  void append_text(uint32_t form_id, uint32_t unit_id, std::string_view gbk) override;
  uint64_t read_property(uint32_t, uint32_t, int, int) override { return 0; }
  void write_property(uint32_t, uint32_t, int, int, uint64_t, uint32_t) override {}
  int32_t raise_event(rt::EventRecord&) override { return 0; }
  void unit_destroyed(uint32_t, uint32_t) override {}
  bool offer_idle(uint32_t, bool) override { return false; }
};

FakeFormHost& fake_host();

}  // namespace lib_test
