// The rules the form runtime keeps for its controls, whatever backend draws them: a combo
// box has no selection once its field is edited.
#include <gtest/gtest.h>

#include <string>

#include "tests/forms/form_fixture.h"

namespace forms_test {
namespace {

class ControlRules : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    ASSERT_TRUE(load(test_form()));
  }
  int selection() { return read_int(kCombo, kComboSelection); }
};

// Typing, pasting or deleting in the field leaves the box with no selection, even where the
// field then shows an item's text, until the user chooses an item or the program selects one.
TEST_F(ControlRules, AComboBoxEditedByTheUserHasNoSelectionUntilAnItemIsChosen) {
  const platform::Handle combo = window(kCombo);
  write_int(kCombo, kComboSelection, 2);
  EXPECT_EQ(selection(), 2);
  backend().set_focus(combo);
  backend().type_text(combo, "300");  // the first item's text, typed
  EXPECT_EQ(selection(), -1);
  EXPECT_EQ(read_text(kCombo, kComboContent), "300");
  backend().set_focus(window(kDigits));  // editing ends
  EXPECT_EQ(selection(), -1);
  write_text(kCombo, kComboContent, "600");  // the program's own text brings none back
  EXPECT_EQ(selection(), -1);

  write_int(kCombo, kComboSelection, 3);  // the program selects
  EXPECT_EQ(selection(), 3);
  backend().paste(combo, "9");
  EXPECT_EQ(selection(), -1);
  backend().choose_item(combo, 5);  // the user chooses
  EXPECT_EQ(selection(), 5);
  EXPECT_EQ(read_text(kCombo, kComboContent), std::to_string(300 << 5));

  backend().set_focus(combo);
  backend().edit_set_selection(combo, 0, -1);
  backend().type_text(combo, "\b");  // deleting is editing too
  EXPECT_EQ(selection(), -1);
  backend().choose_item(combo, 5);  // choosing the item it had selects it again
  EXPECT_EQ(selection(), 5);
  write_text(kCombo, kComboContent, "COM2");
  EXPECT_EQ(selection(), 5);
}

}  // namespace
}  // namespace forms_test
