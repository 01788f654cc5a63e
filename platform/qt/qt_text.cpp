#include "platform/qt/qt_text.h"

#include "platform/gbk_codec.h"

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

int gbk_width(QChar c, bool crlf) {
  const char16_t u = c.unicode();
  if (u == u'\n') return crlf ? 2 : 1;
  if (u < 0x80) return 1;
  if (c.isLowSurrogate()) return 0;  // the pair was counted at its first half
  if (u == 0xFFFD || c.isHighSurrogate()) return 1;  // written out as '?'
  return 2;
}

int gbk_length(QStringView text, bool crlf) {
  int n = 0;
  for (QChar c : text) n += gbk_width(c, crlf);
  return n;
}

int position_of_offset(QStringView text, int offset, bool crlf) {
  int bytes = 0;
  qsizetype i = 0;
  for (; i < text.size(); ++i) {
    const int w = gbk_width(text[i], crlf);
    if (bytes + w > offset) break;
    bytes += w;
  }
  return static_cast<int>(i);
}

int offset_of_position(QStringView text, int pos, bool crlf) {
  if (pos < 0) pos = 0;
  if (pos > text.size()) pos = static_cast<int>(text.size());
  return gbk_length(text.left(pos), crlf);
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
