#include "platform/win32/win32_icon.h"

#include <cstdint>
#include <cstdlib>

namespace platform::win32 {
namespace {

uint32_t read_le(const std::string& data, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[at + static_cast<size_t>(i)]);
  return v;
}

}  // namespace

// The directory is checked against the file's size before any image is touched: the data
// comes from the form, not from Windows.
HICON icon_from_ico(const std::string& ico, int size) {
  constexpr size_t kHeader = 6, kEntry = 16;
  if (ico.size() < kHeader || read_le(ico, 0, 2) != 0 || read_le(ico, 2, 2) != 1) return nullptr;
  const size_t count = read_le(ico, 4, 2);
  if (count == 0 || ico.size() < kHeader + count * kEntry) return nullptr;
  size_t best = count;
  int best_score = 0;
  for (size_t i = 0; i < count; ++i) {
    const size_t e = kHeader + i * kEntry;
    const int width = ico[e] == 0 ? 256 : static_cast<unsigned char>(ico[e]);
    const uint32_t bytes = read_le(ico, e + 8, 4), offset = read_le(ico, e + 12, 4);
    if (bytes == 0 || offset > ico.size() || bytes > ico.size() - offset) continue;
    // Larger images scale down better than smaller ones scale up.
    const int score = width >= size ? 10000 - (width - size) : 5000 - (size - width);
    if (best == count || score > best_score) {
      best = i;
      best_score = score;
    }
  }
  if (best == count) return nullptr;
  const size_t e = kHeader + best * kEntry;
  const uint32_t bytes = read_le(ico, e + 8, 4), offset = read_le(ico, e + 12, 4);
  auto* image = reinterpret_cast<BYTE*>(const_cast<char*>(ico.data() + offset));
  return CreateIconFromResourceEx(image, bytes, TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
}

}  // namespace platform::win32
