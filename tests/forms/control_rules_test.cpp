// The rules the form runtime keeps for its controls, whatever backend draws them: a combo
// box has no selection once its field is edited, and an edit box used as a log (the traffic
// monitor) stays bounded without reading back what it keeps.
#include <gtest/gtest.h>

#include <string>

#include "forms/edit_box.h"
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
  void append(const std::string& gbk_text) { host().append_text(kForm, kMonitor, gbk_text); }
  std::string monitor() { return backend().text(window(kMonitor)); }
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

// A burst without a line break that outgrows the trimmed size alone keeps its end, cut at a
// character boundary; line breaks of every kind read back as CR LF.
TEST_F(ControlRules, AnOverlongLineLosesItsBeginningAtACharacterBoundary) {
  append("first\rsecond\n");
  EXPECT_EQ(monitor(), "120first\r\nsecond\r\n");
  std::string chinese;
  while (chinese.size() <= forms::EditBox::kLogLimit) chinese += "\xCA\xFD";
  append("a" + chinese);
  const std::string shown = monitor();
  EXPECT_LE(shown.size(), forms::EditBox::kLogTrimTo + 1);
  EXPECT_EQ(shown.size() % 2, 0u);
  EXPECT_EQ(shown, chinese.substr(chinese.size() - shown.size()));
}

// The monitor's text is read once, when the bound does not know it yet (at first, and after
// the program or the user changed it), never for an ordinary append: an append costs the
// appended text and a trim the dropped lines, not the megabyte kept.
TEST_F(ControlRules, AppendingNeverReadsBackTheTextItKeeps) {
  const platform::Handle monitor_window = window(kMonitor);
  const std::string line = std::string(1000, 'y') + "\r\n";
  append(line);
  const size_t reads = backend().text_reads(monitor_window);
  log().clear();
  for (int i = 0; i < 2000; ++i) append(line);  // past the limit: trimmed twice
  EXPECT_EQ(backend().text_reads(monitor_window), reads);
  EXPECT_EQ(log().size(), 2000u);  // one content-changed event per append, trimmed or not
  EXPECT_LE(monitor().size(), forms::EditBox::kLogLimit);

  write_text(kMonitor, kEditContent, "cleared\r\n");
  const size_t before = backend().text_reads(monitor_window);
  append(line);
  EXPECT_EQ(backend().text_reads(monitor_window), before + 1);  // measured once more
  EXPECT_EQ(monitor(), "cleared\r\n" + line);
  for (int i = 0; i < 2000; ++i) append(line);
  EXPECT_LE(monitor().size(), forms::EditBox::kLogLimit);
  EXPECT_EQ(monitor().substr(0, line.size()), line);
}

}  // namespace
}  // namespace forms_test
