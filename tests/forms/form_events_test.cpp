// Event order and the form's keyboard: focus events nested in set_focus, typing filters and
// focus-lost normalisation, Tab order, Enter, Esc and the close request, event sources.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "forms/edit_box.h"
#include "forms/type_data_encoder.h"
#include "runtime/core_services.h"
#include "tests/forms/form_fixture.h"

namespace forms_test {
namespace {

using platform::Key;

TEST_F(FormTest, FocusLostHandlerRunsBeforeSetFocusReturns) {
  ASSERT_TRUE(load(test_form()));
  backend().set_focus(window(kDigits));
  std::string seen_in_handler;
  set_hook([&](uint32_t unit, int32_t event) {
    if (unit == kDigits && event == -8) seen_in_handler = read_text(kDigits, kEditContent);
    return 1;
  });
  log().clear();
  backend().set_focus(window(kByteBox));
  EXPECT_EQ(log(), (std::vector<Logged>{{kDigits, -8}, {kByteBox, -7}}));
  EXPECT_EQ(seen_in_handler, "120");
  // No source is left once the handlers have returned.
  EXPECT_EQ(host().current_event_source(), (std::pair<uint32_t, uint32_t>{0, 0}));
}

TEST_F(FormTest, NestedHandlerClearsTheEventSourceForTheOuterOne) {
  ASSERT_TRUE(load(test_form()));
  std::pair<uint32_t, uint32_t> after_nested{1, 1};
  set_hook([&](uint32_t unit, int32_t event) {
    if (unit == kButton && event == 0) {
      write_text(kDigits, kEditContent, "7");  // runs the edit box's handler inside this one
      after_nested = host().current_event_source();
    }
    return 1;
  });
  backend().click(window(kButton));
  EXPECT_EQ(after_nested, (std::pair<uint32_t, uint32_t>{0, 0}));
}

TEST_F(FormTest, TypingIsFilteredByInputModeButPastingIsNot) {
  ASSERT_TRUE(load(test_form()));
  const platform::Handle digits = window(kDigits);
  backend().set_focus(digits);
  backend().edit_set_selection(digits, 0, 3);
  backend().type_text(digits, "1a.-2 x");
  EXPECT_EQ(backend().text(digits), "1-2");
  backend().paste(digits, "a.b");
  EXPECT_EQ(backend().text(digits), "1-2a.b");
  // Mode 3 filters only: leaving the field keeps the pasted text.
  backend().set_focus(window(kByteBox));
  EXPECT_EQ(backend().text(digits), "1-2a.b");
  const platform::Handle byte_box = window(kByteBox);
  backend().edit_set_selection(byte_box, 0, 3);
  backend().type_text(byte_box, "-3.5");
  EXPECT_EQ(backend().text(byte_box), "35");
}

TEST_F(FormTest, ByteModeNormalisesBeforeTheFocusLostHandler) {
  ASSERT_TRUE(load(test_form()));
  const platform::Handle byte_box = window(kByteBox);
  backend().set_focus(byte_box);
  backend().edit_set_selection(byte_box, 2, 2);
  backend().paste(byte_box, "9");  // "1290", caret at 3
  std::string seen;
  set_hook([&](uint32_t unit, int32_t event) {
    if (unit == kByteBox && event == -8) seen = read_text(kByteBox, kEditContent);
    return 1;
  });
  log().clear();
  backend().set_focus(window(kButton));
  EXPECT_EQ(seen, "255");
  EXPECT_EQ(log(), (std::vector<Logged>{{kByteBox, 0}, {kByteBox, -8}, {kButton, -7}}));
  EXPECT_EQ(backend().edit_selection(byte_box).first, 3);  // the caret stays where it was
  // A text that already has the mode's form is left alone: no change event.
  log().clear();
  backend().set_focus(byte_box);
  backend().set_focus(window(kButton));
  EXPECT_EQ(log(), (std::vector<Logged>{{kButton, -8}, {kByteBox, -7}, {kByteBox, -8}, {kButton, -7}}));
}

TEST_F(FormTest, TabWalksEnabledVisibleTabStopsInTabOrder) {
  ASSERT_TRUE(load(test_form()));
  write_int(kCombo, kVisible, 0);
  backend().set_focus(window(kButton));
  std::vector<platform::Handle> visited;
  for (int i = 0; i < 6; ++i) {
    backend().press_key(Key::Tab);
    visited.push_back(backend().focus());
  }
  // Tab order: button 0, digits 1, byte 2, disabled 3 (skipped), combo 4 (hidden), empty 5, ip 6.
  EXPECT_EQ(visited, (std::vector<platform::Handle>{window(kDigits), window(kByteBox), window(kEmptyCombo),
                                                    window(kIp), window(kButton), window(kDigits)}));
  backend().press_key(Key::Tab, true);
  backend().press_key(Key::Tab, true);
  EXPECT_EQ(backend().focus(), window(kIp));
  // From a unit that is no tab stop the walk continues after its place in the order.
  backend().set_focus(window(kMonitor));
  backend().press_key(Key::Tab);
  EXPECT_EQ(backend().focus(), window(kDigits));
}

TEST_F(FormTest, EnterClicksTheDefaultButtonUnlessTheMonitorClaimsIt) {
  forms::FormDescription f = test_form();
  forms::ButtonData b;
  b.button_type = 1;
  f.units[4].type_data = forms::encode_button_data(b);  // the disabled one: never clicked
  f.units[3].type_data = forms::encode_button_data(b);
  ASSERT_TRUE(load(f));
  const platform::Handle monitor = window(kMonitor);
  backend().set_focus(monitor);
  log().clear();
  backend().press_key(Key::Enter);
  EXPECT_EQ(log(), (std::vector<Logged>{{kMonitor, 0}}));  // typed into the monitor, no click
  EXPECT_EQ(backend().text(monitor), "\r\n120");
  backend().set_focus(window(kDigits));
  log().clear();
  backend().press_key(Key::Enter);
  EXPECT_EQ(log(), (std::vector<Logged>{{kButton, 0}}));
}

TEST_F(FormTest, EscClosesTheFormAndEndsTheLoop) {
  ASSERT_TRUE(load(test_form()));
  backend().set_focus(window(kDigits));
  log().clear();
  backend().press_key(Key::Escape);
  EXPECT_EQ(log().front(), (Logged{kOwn, 1}));
  EXPECT_FALSE(host().any_form_alive());
  EXPECT_TRUE(backend().quit_requested());
  EXPECT_EQ(backend().quit_code(), 0);
}

TEST_F(FormTest, CloseRequestHandlerReturningFalseKeepsTheFormOpen) {
  ASSERT_TRUE(load(test_form()));
  set_hook([](uint32_t unit, int32_t event) { return unit == kOwn && event == 1 ? 0 : 1; });
  backend().close_box(window(kOwn));
  backend().set_focus(window(kButton));
  backend().press_key(Key::Escape);
  EXPECT_TRUE(host().any_form_alive());
  EXPECT_FALSE(backend().quit_requested());
}

TEST_F(FormTest, EscDoesNothingWhenTheFormDoesNotCloseOnEsc) {
  forms::FormDescription f = test_form();
  forms::WindowData w;
  w.esc_closes = false;
  f.units[0].type_data = forms::encode_window_data(w);
  ASSERT_TRUE(load(f));
  backend().set_focus(window(kButton));
  backend().press_key(Key::Escape);
  EXPECT_TRUE(host().any_form_alive());
}

TEST_F(FormTest, HandlerMayCloseTheFormUnderTheUnitThatRaisedTheEvent) {
  ASSERT_TRUE(load(test_form()));
  set_hook([&](uint32_t unit, int32_t event) {
    if (event == 0 && (unit == kButton || unit == kDigits)) backend().destroy(window(kOwn));
    return 1;
  });
  backend().click(window(kButton));
  EXPECT_FALSE(host().any_form_alive());
  ASSERT_TRUE(host().load_form(kForm));
  write_text(kDigits, kEditContent, "1");  // the write's own event closes the form
  EXPECT_FALSE(host().any_form_alive());
}

TEST_F(FormTest, AppendGoesToTheEndWhateverTheSelection) {
  ASSERT_TRUE(load(test_form()));
  auto* monitor = dynamic_cast<forms::EditBox*>(host().unit_object(kForm, kMonitor));
  ASSERT_NE(monitor, nullptr);
  backend().edit_set_selection(window(kMonitor), 0, 1);
  monitor->append("OK\r\n");
  monitor->append(gbk("数据"));
  EXPECT_EQ(backend().text(window(kMonitor)), "120OK\r\n" + gbk("数据"));
}

// A monitor left running for a shift keeps its most recent text only, in whole lines.
TEST_F(FormTest, AppendedLogStaysWithinItsLimitInWholeLines) {
  ASSERT_TRUE(load(test_form()));
  auto* monitor = dynamic_cast<forms::EditBox*>(host().unit_object(kForm, kMonitor));
  ASSERT_NE(monitor, nullptr);
  const std::string line(1000, 'x');
  size_t peak = 0;
  for (int i = 0; i < 1300; ++i) {
    monitor->append(line + std::to_string(i) + "\r\n");
    peak = std::max(peak, backend().text(window(kMonitor)).size());
  }
  const std::string shown = backend().text(window(kMonitor));
  EXPECT_LE(peak, forms::EditBox::kLogLimit);
  EXPECT_GE(shown.size(), forms::EditBox::kLogTrimTo - 1010);
  EXPECT_EQ(shown.substr(0, 1000), line);
  EXPECT_EQ(shown.substr(shown.size() - 6), "1299\r\n");
}

}  // namespace
}  // namespace forms_test
