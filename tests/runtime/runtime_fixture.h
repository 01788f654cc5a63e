// Common set-up of the runtime core's tests: a fresh headless backend whose process exit
// throws, a fresh runtime and a fresh fake form runtime.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/backend.h"
#include "platform/gbk_codec.h"
#include "platform/headless/headless_backend.h"
#include "tests/platform/headless_exit.h"
#include "runtime/runtime_app.h"
#include "tests/runtime/fake_form_host.h"

namespace rt_test {

inline std::string gbk(const std::string& utf8) { return platform::utf8_to_gbk(utf8).value(); }

class RuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    backend_ = std::make_unique<platform::headless::HeadlessBackend>();
    backend_->set_exit_throws(true);
    platform::set_backend(backend_.get());
    rt::reset_runtime_for_tests();
    // Start-up never touches the real current directory in tests.
    rt::set_process_services({[] { return std::string("/test/dtu-setup"); },
                              [](const std::string&) { return false; }});
    fake_host().reset();
    rt::set_form_host(&fake_host());
  }
  void TearDown() override {
    rt::reset_runtime_for_tests();
    rt::set_form_host(nullptr);
    platform::set_backend(nullptr);
  }

  // Runs `fn`, which must end the process; returns the exit code.
  int exit_code_of(const std::function<void()>& fn) { return headless_test::exit_code_of(fn); }

  platform::headless::HeadlessBackend& backend() { return *backend_; }

  std::unique_ptr<platform::headless::HeadlessBackend> backend_;
};

}  // namespace rt_test
