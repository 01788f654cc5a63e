// Unit tests on the deterministic backend: a frame window to host units, the window router
// installed, and the fake form runtime reset for each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <vector>

#include "forms/unit.h"
#include "platform/headless/headless_backend.h"
#include "runtime/window_router.h"
#include "tests/units/fake_form_host.h"

namespace units::test {

inline constexpr uint32_t kForm = 0x52010001;

class HeadlessUnitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::set_backend(&ui);
    rt::install_window_router();
    fake_host().reset();
    rt::set_form_host(&fake_host());
    platform::CreateParams p;
    p.kind = platform::WidgetKind::Frame;
    frame = ui.create(p);
  }
  void TearDown() override {
    fake_host().reset();
    rt::set_form_host(nullptr);
  }

  forms::CreateContext context(uint32_t unit_id, std::span<const uint8_t> type_data = {}) const {
    forms::CreateContext c;
    c.owner = &fake_host();
    c.form_id = kForm;
    c.unit_id = unit_id;
    c.type_data = type_data;
    c.parent = frame;
    return c;
  }

  // The events raised so far with this index.
  std::vector<RaisedEvent> events(int32_t index) const {
    std::vector<RaisedEvent> out;
    for (const RaisedEvent& e : fake_host().events) {
      if (e.index == index) out.push_back(e);
    }
    return out;
  }

  platform::headless::HeadlessBackend ui;
  platform::Handle frame = 0;
};

}  // namespace units::test
