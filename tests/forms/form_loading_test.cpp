// Building a form from its template: creation order and control ids, containers, tab order,
// the frame's client size, the first handlers, failed loads and teardown.
#include <gtest/gtest.h>

#include "forms/type_data_encoder.h"
#include "runtime/core_services.h"
#include "tests/forms/form_fixture.h"

namespace forms_test {
namespace {

using platform::Notify;

TEST_F(FormTest, UnitsAreBuiltInReverseOrderIntoTheirContainers) {
  ASSERT_TRUE(load(test_form()));
  // The last template unit is created first and gets id 100, then steps of 10.
  EXPECT_EQ(backend().control_id(window(kGroup)), 100);
  EXPECT_EQ(backend().control_id(window(kMonitor)), 110);
  EXPECT_EQ(backend().control_id(window(kDigits)), 190);
  EXPECT_EQ(backend().frame_of(window(kDigits)), window(kOwn));
  const auto in_group = backend().children(window(kGroup));
  EXPECT_EQ(in_group.size(), 2u);
  EXPECT_NE(std::find(in_group.begin(), in_group.end(), window(kByteBox)), in_group.end());
  // Positions of contained units stay in the container's coordinates.
  EXPECT_EQ(backend().geometry(window(kDigits)), (platform::Geometry{10, 10, 100, 20}));
  EXPECT_TRUE(backend().visible(window(kLabel)));
  EXPECT_FALSE(backend().enabled(window(kDisabledButton)));
  EXPECT_TRUE(backend().is_tab_stop(window(kButton)));
  EXPECT_FALSE(backend().is_tab_stop(window(kMonitor)));
}

TEST_F(FormTest, FrameGetsTheClientSizeOfTheRecordedOuterSize) {
  ASSERT_TRUE(load(test_form()));
  const platform::Geometry g = backend().geometry(window(kOwn));
  EXPECT_EQ(g.width, 591 - 16);
  EXPECT_EQ(g.height, 617 - 39);
  // Read back as the outer size the form code knows.
  EXPECT_EQ(read_int(kOwn, kWidth), 591);
  EXPECT_EQ(read_int(kOwn, 3), 617);
  EXPECT_TRUE(backend().visible(window(kOwn)));
}

TEST_F(FormTest, FirstHandlersAreCreatedMovedResizedThenFocus) {
  ASSERT_TRUE(load(test_form()));
  // Edit boxes set their text and the combo boxes their selection while being built: none
  // of that reaches a handler.
  const std::vector<Logged> expected = {{kOwn, 0}, {kOwn, 3}, {kOwn, 4}, {kOwn, -7}};
  EXPECT_EQ(log(), expected);
}

TEST_F(FormTest, CreatedHandlerThatClosesTheFormStopsTheRemainingEvents) {
  set_hook([&](uint32_t unit, int32_t event) {
    if (unit == kOwn && event == 0) backend().destroy(window(kOwn));
    return 1;
  });
  ASSERT_TRUE(load(test_form()));
  EXPECT_EQ(log(), (std::vector<Logged>{{kOwn, 0}}));
  EXPECT_FALSE(host().any_form_alive());
  EXPECT_TRUE(backend().quit_requested());
}

TEST_F(FormTest, UnitWithUnknownTypeDataVersionFailsTheWholeLoad) {
  forms::FormDescription f = test_form();
  forms::LabelData bad;
  bad.version = 9;
  f.units[8].type_data = forms::encode_label_data(bad);
  EXPECT_FALSE(load(f));
  EXPECT_FALSE(host().any_form_alive());
  EXPECT_EQ(window(kGroup), 0u);
  EXPECT_TRUE(backend().children(0).empty());
  EXPECT_TRUE(log().empty());
  // A failed load is not the end of the program.
  EXPECT_FALSE(backend().quit_requested());
  EXPECT_FALSE(rt::events_suppressed());
}

TEST_F(FormTest, EmptyTypeDataGivesTheTypeDefaults) {
  forms::FormDescription f = test_form();
  f.units[3].type_data.clear();
  ASSERT_TRUE(load(f));
  EXPECT_EQ(read_text(kButton, kButtonCaption), "");
}

TEST_F(FormTest, ClosingTheFormRetiresEveryUnitAndEndsTheLoop) {
  ASSERT_TRUE(load(test_form()));
  const platform::Handle digits = window(kDigits);
  backend().close_box(window(kOwn));
  EXPECT_FALSE(host().any_form_alive());
  EXPECT_FALSE(backend().exists(digits));
  EXPECT_EQ(window(kDigits), 0u);
  EXPECT_TRUE(backend().quit_requested());
  EXPECT_EQ(backend().quit_code(), 0);
  // Common properties still answer from the record once the form is gone.
  EXPECT_EQ(read_int(kDigits, kLeft), 10);
  // The form loads again from its template.
  log().clear();
  ASSERT_TRUE(host().load_form(kForm));
  EXPECT_EQ(log().front(), (Logged{kOwn, 0}));
  EXPECT_EQ(read_text(kDigits, kEditContent), "120");
}

TEST_F(FormTest, LoadingALiveFormAgainOnlyShowsIt) {
  ASSERT_TRUE(load(test_form()));
  const platform::Handle frame = window(kOwn);
  log().clear();
  EXPECT_TRUE(host().load_form(kForm));
  EXPECT_EQ(window(kOwn), frame);
  EXPECT_TRUE(log().empty());
  EXPECT_FALSE(host().load_form(0x52019999));
}

}  // namespace
}  // namespace forms_test
