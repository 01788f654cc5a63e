// Property access by index: clamps, record fallback, text conversions, the content-changed
// rule of edit boxes, combo selection and IP address writes.
#include <gtest/gtest.h>

#include "runtime/core_services.h"
#include "tests/forms/form_fixture.h"

namespace forms_test {
namespace {

size_t count_of(const std::vector<Logged>& log, Logged what) {
  return static_cast<size_t>(std::count(log.begin(), log.end(), what));
}

TEST_F(FormTest, PositionAndSizeWritesAreClamped) {
  ASSERT_TRUE(load(test_form()));
  write_int(kButton, kLeft, 40000);
  EXPECT_EQ(read_int(kButton, kLeft), 32627);
  write_int(kButton, kLeft, -40000);
  EXPECT_EQ(read_int(kButton, kLeft), -32627);
  write_int(kButton, kWidth, -5);
  EXPECT_EQ(read_int(kButton, kWidth), 0);
  EXPECT_EQ(backend().geometry(window(kButton)).width, 0);
  write_int(kButton, 3, 99999);
  EXPECT_EQ(read_int(kButton, 3), 32627);
}

TEST_F(FormTest, VisibleAndDisabledFollowTheLiveWindowAndTheRecordAfterwards) {
  ASSERT_TRUE(load(test_form()));
  write_int(kButton, kDisabled, 7);  // any non-zero is true
  EXPECT_FALSE(backend().enabled(window(kButton)));
  EXPECT_EQ(read_int(kButton, kDisabled), 1);
  write_int(kLabel, kVisible, 0);
  EXPECT_FALSE(backend().visible(window(kLabel)));
  backend().destroy(window(kOwn));
  EXPECT_EQ(read_int(kButton, kDisabled), 1);
  EXPECT_EQ(read_int(kLabel, kVisible), 0);
  ASSERT_TRUE(host().load_form(kForm));
  EXPECT_FALSE(backend().enabled(window(kButton)));
  EXPECT_FALSE(backend().visible(window(kLabel)));
}

TEST_F(FormTest, TextPropertiesAreFreshCopiesAndEmptyReadsAsNull) {
  ASSERT_TRUE(load(test_form()));
  write_text(kLabel, kLabelCaption, gbk("写入成功！！"));
  EXPECT_EQ(backend().text(window(kLabel)), gbk("写入成功！！"));
  EXPECT_EQ(read_text(kLabel, kLabelCaption), gbk("写入成功！！"));
  write_text(kButton, kButtonCaption, gbk("断开连接"));
  EXPECT_EQ(backend().text(window(kButton)), gbk("断开连接"));
  // The tag is a text of the record; null writes as empty and empty reads as null.
  write_text(kButton, 4, "x");
  EXPECT_EQ(read_text(kButton, 4), "x");
  host().write_property(kForm, kButton, 4, -1, 0, 0);
  EXPECT_EQ(host().read_property(kForm, kButton, 4, -1), 0u);
  write_text(kDigits, kEditContent, "");
  EXPECT_EQ(host().read_property(kForm, kDigits, kEditContent, -1), 0u);
}

TEST_F(FormTest, EveryContentWriteRaisesExactlyOneChangedEvent) {
  ASSERT_TRUE(load(test_form()));
  log().clear();
  write_text(kDigits, kEditContent, "5");
  write_text(kDigits, kEditContent, "5");
  EXPECT_EQ(log(), (std::vector<Logged>{{kDigits, 0}, {kDigits, 0}}));
  EXPECT_EQ(read_text(kDigits, kEditContent), "5");
  // The user's typing raises it per character.
  log().clear();
  backend().type_text(window(kMonitor), "ab");
  EXPECT_EQ(count_of(log(), {kMonitor, 0}), 2u);
}

TEST_F(FormTest, ComboSelectionIsClampedToTheItems) {
  ASSERT_TRUE(load(test_form()));
  EXPECT_EQ(read_int(kCombo, kComboSelection), 0);
  // The stored (empty) content wins over the initial selection's text.
  EXPECT_EQ(read_text(kCombo, kComboContent), "");
  write_int(kCombo, kComboSelection, 99);
  EXPECT_EQ(read_int(kCombo, kComboSelection), 9);
  EXPECT_EQ(read_text(kCombo, kComboContent), std::to_string(300 << 9));
  write_int(kCombo, kComboSelection, -5);
  EXPECT_EQ(read_int(kCombo, kComboSelection), -1);
  write_int(kEmptyCombo, kComboSelection, 3);
  EXPECT_EQ(read_int(kEmptyCombo, kComboSelection), -1);
  write_text(kCombo, kComboContent, "COM2");
  EXPECT_EQ(read_text(kCombo, kComboContent), "COM2");
}

TEST_F(FormTest, IpAddressWritesNormaliseOrClear) {
  ASSERT_TRUE(load(test_form()));
  EXPECT_EQ(read_text(kIp, kIpAddress), "192.168.0.1");
  write_text(kIp, kIpAddress, "  10.0.0.1 ");
  EXPECT_EQ(read_text(kIp, kIpAddress), "10.0.0.1");
  write_text(kIp, kIpAddress, "10.0.0");
  EXPECT_TRUE(backend().ip_blank(window(kIp)));
  EXPECT_EQ(host().read_property(kForm, kIp, kIpAddress, -1), 0u);
  write_text(kIp, kIpAddress, " 1 . 02 .3. 4");
  EXPECT_EQ(read_text(kIp, kIpAddress), "1.2.3.4");
  write_text(kIp, kIpAddress, "300.1.1.1");
  EXPECT_TRUE(backend().ip_blank(window(kIp)));
}

TEST_F(FormTest, FontPartsReadAndWriteThroughTheWholeDescription) {
  ASSERT_TRUE(load(test_form()));
  constexpr int kButtonFont = 13;
  EXPECT_EQ(host().read_property(kForm, kButton, kButtonFont, 1), 0u);  // not bold
  host().write_property(kForm, kButton, kButtonFont, 1, 1, 0);
  EXPECT_EQ(host().read_property(kForm, kButton, kButtonFont, 1), 1u);
  host().write_property(kForm, kButton, kButtonFont, 0, 3700, 0);
  EXPECT_EQ(host().read_property(kForm, kButton, kButtonFont, 0), 100u);
  const std::string long_face(40, 'A');
  host().write_property(kForm, kButton, kButtonFont, 6, reinterpret_cast<uintptr_t>(long_face.c_str()), 0);
  char* face = reinterpret_cast<char*>(static_cast<uintptr_t>(host().read_property(kForm, kButton, kButtonFont, 6)));
  EXPECT_EQ(std::string(face), gbk("宋体"));
  rt::free(face);
}

TEST_F(FormTest, WritesWhileSuppressedRunNoHandler) {
  ASSERT_TRUE(load(test_form()));
  log().clear();
  rt::raise_suppression();
  write_text(kDigits, kEditContent, "1");
  backend().click(window(kButton));
  rt::lower_suppression();
  EXPECT_TRUE(log().empty());
  backend().click(window(kButton));
  EXPECT_EQ(count_of(log(), {kButton, 0}), 1u);
}

}  // namespace
}  // namespace forms_test
