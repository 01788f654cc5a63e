// The generated main form built by the unit model with the real type libraries: every unit
// gets a window, the keyboard walks the twenty fields in their tab order, Esc ends the loop.
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "forms/extended_ui_library.h"
#include "forms/form_runtime.h"
#include "main_form_ids.h"
#include "platform/headless/headless_backend.h"
#include "runtime/program.h"
#include "runtime/runtime_app.h"
#include "runtime/library/commands.h"
#include "runtime/window_router.h"
#include "units/core_library.h"

namespace {

std::vector<int> g_slots;

template <int N>
int32_t slot_handler(const int32_t*, int) {
  g_slots.push_back(N);
  return 1;
}
template <int... N>
constexpr std::array<rt::EventHandler, sizeof...(N)> make_table(std::integer_sequence<int, N...>) {
  return {slot_handler<N>...};
}
const auto kTable = make_table(std::make_integer_sequence<int, app::kMainFormHandlerCount>());
const rt::CodeBase kCodeBase{app::kMainFormHandlerCount, kTable.data()};
const rt::LibraryDescriptor* const kLibraries[] = {&units::core_library(), &rt::special_library(),
                                                   &forms::extended_ui_library()};
const rt::StartupRecord kRecord{3, 0, 0, &kCodeBase, nullptr, 0, nullptr, 0, 3, kLibraries, 0};

class MainFormModel : public ::testing::Test {
 protected:
  void SetUp() override {
    backend_ = std::make_unique<platform::headless::HeadlessBackend>();
    backend_->set_exit_throws(true);
    platform::set_backend(backend_.get());
    rt::reset_runtime_for_tests();
    rt::set_startup_record(&kRecord);
    rt::install_window_router();
    forms::register_form_runtime();
    g_slots.clear();
    ASSERT_TRUE(forms::form_runtime().load_templates(app::kMainFormSegment, app::kMainFormSegmentSize, &kCodeBase));
    ASSERT_TRUE(forms::form_runtime().load_form(app::kMainFormId));
  }
  void TearDown() override {
    forms::form_runtime().free_templates();
    rt::reset_runtime_for_tests();
    platform::set_backend(nullptr);
  }
  platform::Handle window(uint32_t unit) {
    return forms::form_runtime().unit_window(app::kMainFormId, unit, false).window;
  }

  std::unique_ptr<platform::headless::HeadlessBackend> backend_;
};

TEST_F(MainFormModel, EveryUnitIsLiveAndTheCreatedHandlerRunsFirst) {
  forms::FormSlot* form = forms::form_runtime().find_form(app::kMainFormId);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->units.size(), 56u);
  for (const forms::UnitSlot& u : form->units) EXPECT_NE(u.live_window(), 0u) << std::hex << u.id();
  ASSERT_FALSE(g_slots.empty());
  EXPECT_EQ(g_slots.front(), app::kHandlerFormCreated);
  EXPECT_EQ(backend_->geometry(window(app::kIdForm)).width, 591 - 16);
  EXPECT_EQ(backend_->combo_current(window(app::kIdComboPort)), 1);
  EXPECT_EQ(backend_->text(window(app::kIdEditDeviceId)), "DT0001");
  // A timer's hidden window carries no position: the record's is read.
  EXPECT_EQ(static_cast<int32_t>(forms::form_runtime().read_property(app::kMainFormId, app::kIdTimerModePoll, 0, -1)),
            200);
}

TEST_F(MainFormModel, TabVisitsTheTwentyFieldsInOrder) {
  const uint32_t order[] = {app::kIdComboPort,     app::kIdComboLinkBaud,   app::kIdButtonConnect,
                            app::kIdEditDeviceId,  app::kIdIpEditServerIp,  app::kIdEditServerPort,
                            app::kIdEditDomain,    app::kIdComboApn,        app::kIdComboTransferMode,
                            app::kIdComboWorkBaud, app::kIdEditHeartbeat,   app::kIdEditCharTimeout,
                            app::kIdEditRing1,     app::kIdEditRing2,       app::kIdEditSms1,
                            app::kIdEditSms2,      app::kIdButtonRead,      app::kIdButtonSave,
                            app::kIdButtonWrite,   app::kIdButtonReset};
  backend_->set_focus(window(order[0]));
  for (size_t i = 1; i <= std::size(order); ++i) {
    backend_->press_key(platform::Key::Tab);
    EXPECT_EQ(backend_->focus(), window(order[i % std::size(order)])) << "step " << i;
  }
}

TEST_F(MainFormModel, EscFromAFieldClosesTheToolAndEnterInTheMonitorIsTyped) {
  backend_->set_focus(window(app::kIdEditMonitor));
  backend_->press_key(platform::Key::Enter);
  EXPECT_EQ(backend_->text(window(app::kIdEditMonitor)), "\r\n");
  backend_->set_focus(window(app::kIdEditServerPort));
  backend_->press_key(platform::Key::Escape);
  EXPECT_FALSE(forms::form_runtime().any_form_alive());
  EXPECT_TRUE(backend_->quit_requested());
}

}  // namespace
