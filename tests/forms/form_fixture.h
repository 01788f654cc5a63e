// A small test form loaded through the real unit model on the headless backend: a frame
// (Esc closes), a group box holding two edit boxes, buttons, combo boxes, an IP edit box, a
// label and a multi-line monitor. Handlers log (unit, event) and may run a test's hook.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/form_runtime.h"
#include "forms/template_encoder.h"
#include "platform/headless/headless_backend.h"
#include "tests/platform/headless_exit.h"

namespace forms_test {

inline constexpr uint32_t kForm = 0x52010001;
inline constexpr uint32_t kOwn = 0x06010000, kGroup = 0x16010002, kDigits = 0x16010010, kByteBox = 0x16010011,
                          kButton = 0x16010020, kDisabledButton = 0x16010021, kCombo = 0x16010030,
                          kEmptyCombo = 0x16010031, kIp = 0x16010040, kLabel = 0x16010050, kMonitor = 0x16010051;

// Property indices used by the tests.
inline constexpr int kLeft = 0, kWidth = 2, kVisible = 5, kDisabled = 6, kEditContent = 8, kComboContent = 9,
                     kComboSelection = 19, kIpAddress = 9, kLabelCaption = 8, kButtonCaption = 10;

struct Logged {
  uint32_t unit;
  int32_t event;
  bool operator==(const Logged&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Logged& l);

std::string gbk(const std::string& utf8);

// The test form's description; tests may change it before it is loaded.
forms::FormDescription test_form();

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Encodes `form`, hands it to the unit model and loads it; false when the load failed.
  bool load(const forms::FormDescription& form);

  forms::FormRuntime& host() { return forms::form_runtime(); }
  platform::headless::HeadlessBackend& backend() { return *backend_; }
  platform::Handle window(uint32_t unit) { return host().unit_window(kForm, unit, false).window; }

  int32_t read_int(uint32_t unit, int index) {
    return static_cast<int32_t>(host().read_property(kForm, unit, index, -1));
  }
  void write_int(uint32_t unit, int index, int32_t v) {
    host().write_property(kForm, unit, index, -1, static_cast<uint32_t>(v), 0);
  }
  // Text reads return a fresh block (null for empty); the copy is freed here.
  std::string read_text(uint32_t unit, int index);
  void write_text(uint32_t unit, int index, const std::string& gbk_text);

  // Runs `fn`, which must end the process; returns the exit code.
  int exit_code_of(const std::function<void()>& fn) { return headless_test::exit_code_of(fn); }

  std::vector<Logged>& log();
  // Called by every handler with (unit, event); its result is the handler's (default 1).
  void set_hook(std::function<int32_t(uint32_t, int32_t)> hook);

 private:
  std::unique_ptr<platform::headless::HeadlessBackend> backend_;
};

}  // namespace forms_test
