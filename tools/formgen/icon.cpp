#include "tools/formgen/icon.h"

#include <algorithm>
#include <cmath>

#include "forms/template_encoder.h"

namespace formgen {
namespace {

struct Rgba {
  double r = 0, g = 0, b = 0, a = 0;
};

constexpr Rgba rgb(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0, 1}; }

bool in_rounded_rect(double x, double y, double x0, double y0, double x1, double y1, double radius) {
  if (x < x0 || x > x1 || y < y0 || y > y1) return false;
  const double dx = std::max({x0 + radius - x, x - (x1 - radius), 0.0});
  const double dy = std::max({y0 + radius - y, y - (y1 - radius), 0.0});
  return dx * dx + dy * dy <= radius * radius;
}

bool in_circle(double x, double y, double cx, double cy, double radius) {
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

// Signal arcs around the antenna tip, on both sides, within 45 degrees of the horizontal.
bool in_arcs(double x, double y) {
  constexpr double cx = 32, cy = 12;
  const double dx = x - cx, dy = y - cy, d = std::hypot(dx, dy);
  if (std::fabs(dy) > std::fabs(dx)) return false;
  for (double radius : {5.5, 9.5, 13.5})
    if (std::fabs(d - radius) <= 1.1) return true;
  return false;
}

// The colour of the topmost shape under a point (transparent when none).
Rgba shade(double x, double y) {
  if (in_circle(x, y, 13, 35.5, 1.8)) return rgb(70, 220, 90);   // power LED
  if (in_circle(x, y, 19, 35.5, 1.8)) return rgb(70, 220, 90);   // link LED
  if (in_circle(x, y, 25, 35.5, 1.8)) return rgb(250, 180, 40);  // data LED
  if (in_rounded_rect(x, y, 8, 39.5, 40, 41, 0.5)) return rgb(30, 50, 80);  // front slot
  if (in_rounded_rect(x, y, 4, 26, 44, 44, 4)) {
    const bool edge = !in_rounded_rect(x, y, 5.2, 27.2, 42.8, 42.8, 3);
    if (edge) return rgb(25, 45, 85);
    const double t = (y - 26) / 18;  // lighter at the top
    return rgb(static_cast<int>(90 - 40 * t), static_cast<int>(140 - 50 * t), static_cast<int>(210 - 50 * t));
  }
  if (in_circle(x, y, 32, 12, 2.5)) return rgb(220, 60, 50);                 // antenna tip
  if (in_rounded_rect(x, y, 30.8, 12, 33.2, 27, 0.6)) return rgb(60, 60, 70);  // mast
  if (in_arcs(x, y)) return rgb(40, 160, 230);
  return {};
}

// 4 x 4 supersampling for smooth edges; colours averaged by coverage.
Rgba pixel(int px, int py) {
  Rgba sum;
  constexpr int n = 4;
  for (int sy = 0; sy < n; ++sy)
    for (int sx = 0; sx < n; ++sx) {
      const Rgba c = shade(px + (sx + 0.5) / n, py + (sy + 0.5) / n);
      sum.r += c.r * c.a, sum.g += c.g * c.a, sum.b += c.b * c.a, sum.a += c.a;
    }
  if (sum.a == 0) return {};
  return {sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / (n * n)};
}

uint8_t to_byte(double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); }

}  // namespace

std::vector<uint8_t> make_icon() {
  using forms::put_dword, forms::put_word;
  constexpr int n = kIconSize;
  constexpr uint32_t mask_stride = ((n + 31) / 32) * 4;
  constexpr uint32_t image_bytes = 40 + n * n * 4 + n * mask_stride;
  std::vector<uint8_t> out;
  put_word(out, 0), put_word(out, 1), put_word(out, 1);  // icon directory: one image
  out.push_back(n), out.push_back(n), out.push_back(0), out.push_back(0);
  put_word(out, 1), put_word(out, 32);
  put_dword(out, image_bytes), put_dword(out, 22);
  // Bitmap header: the height counts the colour rows and the mask rows.
  for (uint32_t v : {40u, uint32_t(n), uint32_t(2 * n)}) put_dword(out, v);
  put_word(out, 1), put_word(out, 32);
  for (uint32_t v : {0u, image_bytes - 40, 0u, 0u, 0u, 0u}) put_dword(out, v);

  std::vector<uint8_t> mask;
  for (int y = n - 1; y >= 0; --y) {  // rows bottom-up
    std::vector<uint8_t> mask_row(mask_stride, 0);
    for (int x = 0; x < n; ++x) {
      const Rgba c = pixel(x, y);
      const uint8_t alpha = to_byte(c.a);
      out.push_back(to_byte(c.b)), out.push_back(to_byte(c.g)), out.push_back(to_byte(c.r)), out.push_back(alpha);
      if (alpha == 0) mask_row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
    mask.insert(mask.end(), mask_row.begin(), mask_row.end());
  }
  out.insert(out.end(), mask.begin(), mask.end());
  return out;
}

}  // namespace formgen
