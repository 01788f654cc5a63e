#include "platform/qt/qt_fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <algorithm>

#include "platform/qt/qt_text.h"

namespace platform::qt {
namespace {

// The default GUI font: Chinese characters a full 12 pixels wide and Latin ones half that,
// the proportions the form's layout was made for. The proportional face is the fallback.
const char* const kPreferredFamily = "WenQuanYi Micro Hei Mono";
const char* const kFallbackFamily = "WenQuanYi Micro Hei";
constexpr int kDefaultPixelSize = 12;

bool family_installed(const QString& family) {
  return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

}  // namespace

void install_default_font() {
  QFont font = QApplication::font();
  for (const char* family : {kPreferredFamily, kFallbackFamily}) {
    if (family_installed(QString::fromLatin1(family))) {
      font.setFamily(QString::fromLatin1(family));
      break;
    }
  }
  font.setPixelSize(kDefaultPixelSize);
  QApplication::setFont(font);
}

QFont to_qfont(const Font& spec) {
  QFont font = QApplication::font();
  const QString face = from_gbk(spec.face);
  if (!face.isEmpty() && family_installed(face)) font.setFamily(face);
  // Negative heights are character heights; positive ones are cell heights, which include
  // the internal leading (about a fifth of the cell in the usual faces).
  if (spec.height < 0) font.setPixelSize(std::min(-spec.height, 500));
  else if (spec.height > 0) font.setPixelSize(std::clamp(spec.height * 4 / 5, 1, 500));
  const int weight = spec.weight <= 0 ? 400 : std::clamp(spec.weight, 100, 900);
  font.setWeight(static_cast<QFont::Weight>(weight));
  font.setItalic(spec.italic);
  font.setUnderline(spec.underline);
  font.setStrikeOut(spec.strike_out);
  return font;
}

}  // namespace platform::qt
