// Text conversion at the toolkit boundary, fonts, label painting and the IP control's own
// behaviour.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRawFont>
#include <cstdlib>

#include "platform/qt/qt_colours.h"
#include "platform/qt/qt_fonts.h"
#include "platform/qt/qt_ip_control.h"
#include "platform/qt/qt_label.h"
#include "platform/qt/qt_text.h"
#include "tests/platform/qt_test_app.h"

using namespace platform::qt;
using platform::LabelStyle;

namespace {

class QtPainting : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    qt_test::ensure_app();
    install_default_font();
  }
};

TEST_F(QtPainting, GbkOffsetsMapToPositionsAndBack) {
  const QString text = from_gbk("\xD6\xD0" "a\r\nb");  // a Chinese character, "a", CR LF, "b"
  const QString lf = crlf_to_lf(text);
  EXPECT_EQ(lf, QStringLiteral("\u4E2Da\nb"));
  EXPECT_EQ(gbk_length(lf, true), 6);
  EXPECT_EQ(gbk_length(lf, false), 5);
  EXPECT_EQ(position_of_offset(lf, 1, true), 0);  // inside the two-byte character: its start
  EXPECT_EQ(position_of_offset(lf, 3, true), 2);
  EXPECT_EQ(position_of_offset(lf, 99, true), 4);
  EXPECT_EQ(offset_of_position(lf, 3, true), 5);
  EXPECT_EQ(offset_of_position(lf, -4, true), 0);
  EXPECT_EQ(to_gbk(lf_to_crlf(lf)), "\xD6\xD0" "a\r\nb");
}

TEST_F(QtPainting, BadTextNeverFailsAndKeepsItsByteCount) {
  const QString broken = from_gbk("a\xFF" "b\xD6");  // an invalid byte and a lone lead byte
  EXPECT_TRUE(broken.contains(QChar(0xFFFD)));
  const std::string back = to_gbk(broken);
  EXPECT_EQ(static_cast<int>(back.size()), gbk_length(broken, false));
  EXPECT_EQ(back.front(), 'a');
  const QString outside = QStringLiteral("x\U0001F600y");  // no GBK form: one '?'
  EXPECT_EQ(to_gbk(outside), "x?y");
  EXPECT_EQ(gbk_length(outside, false), 3);
}

TEST_F(QtPainting, DefaultFontRendersChineseAndUnknownFacesFallBack) {
  const QFont font = QApplication::font();
  EXPECT_EQ(font.pixelSize(), 12);
  EXPECT_TRUE(QRawFont::fromFont(font).supportsCharacter(QChar(0x8BBE)));  // 设
  platform::Font missing;
  missing.face = "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA";  // a face this machine lacks
  missing.height = -14;
  missing.weight = 700;
  const QFont mapped = to_qfont(missing);
  EXPECT_EQ(mapped.family(), font.family());
  EXPECT_EQ(mapped.pixelSize(), 14);
  EXPECT_EQ(mapped.weight(), QFont::Bold);
}

QImage paint(LabelStyle style, const QString& caption, QSize size = {40, 24}) {
  LabelWidget label(nullptr);
  label.resize(size);
  label.set_label_style(style);
  label.set_caption(caption);
  QImage image(size, QImage::Format_RGB32);
  label.render(&image);
  return image;
}

TEST_F(QtPainting, LabelFillsItsBackgroundAndPaintsAFrameOnlyWithTwoColours) {
  LabelStyle style;
  style.background = 0x0000FF;  // red
  EXPECT_EQ(paint(style, {}).pixelColor(0, 0), QColor(255, 0, 0));
  style.border = 6;
  style.frame_width = 6;
  style.frame_colours[0] = 0x00FF00;  // green outermost
  style.frame_colours[1] = platform::kButtonFace;  // left out
  style.frame_colours[2] = 0xFF0000;  // blue inside it
  const QImage framed = paint(style, {});
  EXPECT_EQ(framed.pixelColor(0, 0), QColor(0, 255, 0));
  EXPECT_EQ(framed.pixelColor(4, 12), QColor(0, 0, 255));
  EXPECT_EQ(framed.pixelColor(20, 12), QColor(255, 0, 0));
  style.frame_colours[0] = platform::kButtonFace;  // one usable colour: no frame at all
  EXPECT_EQ(paint(style, {}).pixelColor(0, 0), QColor(255, 0, 0));
}

// Glyph edges are blended, so a copy counts as drawn when some pixel comes close to its colour.
bool has_colour(const QImage& image, const QColor& colour) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor p = image.pixelColor(x, y);
      if (std::abs(p.red() - colour.red()) + std::abs(p.green() - colour.green()) + std::abs(p.blue() - colour.blue()) < 60)
        return true;
    }
  return false;
}

TEST_F(QtPainting, LabelTextEffectsDrawTheirCopies) {
  LabelStyle style;
  style.background = 0x808080;
  style.text_colour = 0x0000FF;
  const QString caption = QStringLiteral("\u8BBE\u5907");
  EXPECT_TRUE(has_colour(paint(style, caption), QColor(255, 0, 0)));
  EXPECT_FALSE(has_colour(paint(style, caption), Qt::white));
  style.text_effect = 2;  // raised: a white copy under the caption
  EXPECT_TRUE(has_colour(paint(style, caption), Qt::white));
  style.text_effect = 3;  // shadow: a black copy
  EXPECT_TRUE(has_colour(paint(style, caption), Qt::black));
}

TEST_F(QtPainting, CaptionFlagsFollowAlignmentAndWrap) {
  LabelStyle style;
  style.h_align = 2;
  style.v_align = 2;
  int flags = caption_flags(style);
  EXPECT_TRUE(flags & Qt::AlignRight);
  EXPECT_TRUE(flags & Qt::AlignBottom);
  EXPECT_TRUE(flags & Qt::TextSingleLine);
  style.word_wrap = true;  // wrapped text starts at the top whatever the vertical setting
  flags = caption_flags(style);
  EXPECT_TRUE(flags & Qt::TextWordWrap);
  EXPECT_TRUE(flags & Qt::AlignTop);
  EXPECT_FALSE(flags & Qt::AlignBottom);
}

TEST_F(QtPainting, IpControlMovesOnAtDotsAndClampsItsParts) {
  IpAddressWidget ip(nullptr);
  EXPECT_TRUE(ip.blank());
  ip.field(0)->setText(QStringLiteral("300"));
  ip.field(2)->setText(QStringLiteral("7"));
  EXPECT_FALSE(ip.blank());
  uint8_t parts[4];
  ip.address(parts);
  EXPECT_EQ(std::vector<int>(parts, parts + 4), (std::vector<int>{255, 0, 7, 0}));
  QKeyEvent dot(QEvent::KeyPress, Qt::Key_Period, Qt::NoModifier, QStringLiteral("."));
  QCoreApplication::sendEvent(ip.field(0), &dot);
  EXPECT_EQ(ip.field(0)->text(), QStringLiteral("255"));  // clamped on leaving the part
  EXPECT_EQ(ip.field(1)->text(), QString());               // and the dot was not typed
  ip.clear_address();
  EXPECT_TRUE(ip.blank());
}

TEST_F(QtPainting, ColoursMapFromStoredOrder) {
  const QPalette palette = QApplication::palette();
  EXPECT_EQ(to_qcolor(0x00332211, palette), QColor(0x11, 0x22, 0x33));
  EXPECT_EQ(to_qcolor(platform::kButtonFace, palette), palette.color(QPalette::Button));
}

}  // namespace

namespace {

// A plain caption wider than its label is shown whole (the window grows to the right), while
// the label keeps the rectangle the form gave it; framed or aligned captions stay inside.
TEST_F(QtPainting, WideLeftAlignedCaptionIsNotCutOff) {
  LabelWidget label(nullptr);
  label.set_logical_geometry(QRect(10, 5, 20, 24));
  label.set_caption(QStringLiteral("\u670D\u52A1\u5668\u7AEF\u53E3PORT\uFF1A"));
  EXPECT_EQ(label.logical_geometry(), QRect(10, 5, 20, 24));
  EXPECT_GT(label.width(), 20);
  EXPECT_EQ(label.pos(), QPoint(10, 5));
  LabelStyle centred;
  centred.h_align = 1;
  label.set_label_style(centred);
  EXPECT_EQ(label.width(), 20);
}

}  // namespace
