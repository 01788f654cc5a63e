#include "platform/qt/qt_text.h"

#include "platform/gbk_codec.h"
#include "platform/gbk_offsets.h"

namespace platform::qt {

QString from_gbk(std::string_view gbk) {
  const std::string utf8 = platform::gbk_to_utf8_lossy(gbk);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string to_gbk(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  if (auto whole = platform::utf8_to_gbk(std::string_view(utf8.constData(), utf8.size()))) return *whole;
  // Some character has no GBK form: convert one code point at a time and mark the misses,
  // so the rest of the text survives intact.
  std::string out;
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype len = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QByteArray one = text.mid(i, len).toUtf8();
    auto gbk = platform::utf8_to_gbk(std::string_view(one.constData(), one.size()));
    out += gbk ? *gbk : std::string("?");
    i += len;
  }
  return out;
}

namespace {

std::u16string_view utf16(QStringView text) { return {text.utf16(), static_cast<size_t>(text.size())}; }

}  // namespace

int gbk_length(QStringView text, bool crlf) { return static_cast<int>(platform::gbk_length(utf16(text), crlf)); }

int position_of_offset(QStringView text, int offset, bool crlf) {
  return static_cast<int>(platform::units_at_gbk_offset(utf16(text), offset, crlf));
}

int offset_of_position(QStringView text, int pos, bool crlf) {
  return static_cast<int>(platform::gbk_offset_at(utf16(text), pos < 0 ? 0 : pos, crlf));
}

int positions_holding(QStringView text, int64_t bytes, bool crlf) {
  return static_cast<int>(platform::units_holding(utf16(text), bytes, crlf));
}

QString crlf_to_lf(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QChar(u'\r'), QChar(u'\n'));
  return text;
}

QString lf_to_crlf(const QString& text) {
  QString out = text;
  out.replace(QChar(u'\n'), QStringLiteral("\r\n"));
  return out;
}

}  // namespace platform::qt
