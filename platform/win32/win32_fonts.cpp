// Fonts at the window's DPI. The default GUI font is a CJK face that Windows ships in both
// its Chinese and its Western editions, at 12 pixels per 96 DPI (the size the form's layout
// was made for); where none of them exists (Wine), any face that covers GB2312, and last the
// system's message font.
#include <algorithm>
#include <tuple>
#include <vector>

#include "platform/win32/win32_backend_state.h"
#include "platform/win32/win32_dpi.h"

namespace platform::win32 {
namespace {

constexpr int kDefaultPixelSize = 12;
const wchar_t* const kPreferredFaces[] = {L"Microsoft YaHei UI", L"Microsoft YaHei", L"SimSun", L"NSimSun"};

int CALLBACK found_face(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

int CALLBACK gb2312_face(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM out) {
  if (lf->lfFaceName[0] != L'@') reinterpret_cast<std::vector<std::wstring>*>(out)->push_back(lf->lfFaceName);
  return 1;  // all of them; vertical variants ('@') left out
}

// Some CJK faces are fallbacks without Latin letters: the form's captions mix both.
bool covers_latin_and_chinese(HDC dc, const std::wstring& face) {
  LOGFONTW lf{};
  lf.lfHeight = -kDefaultPixelSize;
  lf.lfCharSet = DEFAULT_CHARSET;
  face.copy(lf.lfFaceName, std::min<size_t>(face.size(), LF_FACESIZE - 1));
  HFONT font = CreateFontIndirectW(&lf);
  if (!font) return false;
  HGDIOBJ old = SelectObject(dc, font);
  WORD glyphs[2] = {0xFFFF, 0xFFFF};
  const bool ok = GetGlyphIndicesW(dc, L"A\x4E2D", 2, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == 2 &&
                  glyphs[0] != 0xFFFF && glyphs[1] != 0xFFFF;
  SelectObject(dc, old);
  DeleteObject(font);
  return ok;
}

bool face_installed(const std::wstring& face) {
  if (face.empty() || face.size() >= LF_FACESIZE) return false;
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  face.copy(lf.lfFaceName, face.size());
  bool found = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(dc, &lf, found_face, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found;
}

std::wstring choose_default_face() {
  for (const wchar_t* face : kPreferredFaces)
    if (face_installed(face)) return face;
  std::vector<std::wstring> faces;
  LOGFONTW lf{};
  lf.lfCharSet = GB2312_CHARSET;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(dc, &lf, gb2312_face, reinterpret_cast<LPARAM>(&faces), 0);
  std::wstring chosen;
  for (const std::wstring& face : faces)
    if (covers_latin_and_chinese(dc, face)) {
      chosen = face;
      break;
    }
  ReleaseDC(nullptr, dc);
  if (!chosen.empty()) return chosen;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return metrics.lfMessageFont.lfFaceName;
  return L"Tahoma";
}

const std::wstring& default_face() {
  static const std::wstring face = choose_default_face();
  return face;
}

}  // namespace

bool Win32BackendState::FontKey::operator<(const FontKey& o) const {
  return std::tie(face, height, weight, dpi, italic, underline, strike_out) <
         std::tie(o.face, o.height, o.weight, o.dpi, o.italic, o.underline, o.strike_out);
}

int Win32BackendState::dpi_of(Handle h) const {
  const Window* frame = find(windows.frame_of(h));
  return frame ? frame->dpi : system_dpi();
}

// A face that is not installed gives the default face at the size asked for. Negative
// heights are character heights, positive ones cell heights, as in a LOGFONT.
HFONT Win32BackendState::font_for(const std::optional<Font>& font, int dpi) {
  FontKey key{};
  key.dpi = dpi;
  key.height = -kDefaultPixelSize;
  key.weight = 400;
  if (font) {
    key.face = font->face;
    if (font->height != 0) key.height = std::clamp(font->height, -500, 500);
    key.weight = font->weight <= 0 ? 400 : std::clamp(font->weight, 100, 900);
    key.italic = font->italic;
    key.underline = font->underline;
    key.strike_out = font->strike_out;
  }
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;
  std::wstring face = widen(key.face);
  if (!face_installed(face)) face = default_face();
  LOGFONTW lf{};
  lf.lfHeight = scale(key.height, dpi);
  lf.lfWeight = key.weight;
  lf.lfItalic = key.italic;
  lf.lfUnderline = key.underline;
  lf.lfStrikeOut = key.strike_out;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = PROOF_QUALITY;
  face.copy(lf.lfFaceName, std::min<size_t>(face.size(), LF_FACESIZE - 1));
  HFONT made = CreateFontIndirectW(&lf);
  if (!made) made = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fonts_[key] = made;
  return made;
}

void Win32BackendState::apply_font(Window& w) {
  if (!w.hwnd || w.kind == WidgetKind::Frame) return;
  SendMessageW(w.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_for(w.font, dpi_of(w.handle))), TRUE);
}

}  // namespace platform::win32
