#include "runtime/library/value_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "dtu_library_texts.h"
#include "runtime/library/gbk_text.h"

namespace rt::convert {
namespace {

std::string printf_text(const char* format, auto... args) {
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, format, args...);
  return n <= 0 ? std::string() : std::string(buf, static_cast<size_t>(n) < sizeof buf ? n : sizeof buf - 1);
}

int32_t truncate_to_int(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (d <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(d);
}

double double_of(const Value& v) {
  double d;
  uint64_t b = v.bits64();
  std::memcpy(&d, &b, 8);
  return d;
}

float float_of(const Value& v) {
  float f;
  std::memcpy(&f, &v.low, 4);
  return f;
}

std::string_view up_to_zero(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

const char* text_constant(uint32_t offset) { return library_texts::text_at(offset); }

// Days since 1970-01-01 to a proleptic Gregorian date.
void civil_from_days(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

std::string_view text_of(const Value& v) {
  const char* p = static_cast<const char*>(v.pointer());
  return p ? std::string_view(p) : std::string_view();
}

std::string_view binary_of(const Value& v) {
  const uint8_t* block = static_cast<const uint8_t*>(v.pointer());
  return block ? std::string_view(reinterpret_cast<const char*>(binary_bytes(block)), binary_size(block))
               : std::string_view();
}

std::string_view numeric_array_bytes(const Value& v) {
  if (!is_array(v.tag) || !is_numeric(element_tag(v.tag))) return {};
  const uint8_t* block = static_cast<const uint8_t*>(v.pointer());
  if (!block) return {};
  size_t size = size_t{array_count(block)} * value_size(element_tag(v.tag));
  return {reinterpret_cast<const char*>(array_elements(block)), size};
}

size_t stored_size(uint32_t tag) {
  if (tag == kSubroutinePtr) return 4;
  if (tag == kText || tag == kBinary || !is_basic(tag)) return 0;
  return value_size(tag);
}

int32_t to_int(const Value& v) {
  switch (v.tag) {
    case kText: return gbk::parse_int(gbk::fold_full_width(text_of(v)));
    case kLogical: case kInt: case kSubroutinePtr: case kLong: return static_cast<int32_t>(v.low);
    case kByte: return static_cast<uint8_t>(v.low);
    case kShort: return static_cast<int16_t>(v.low);
    case kFloat: return truncate_to_int(float_of(v));
    case kDouble: return truncate_to_int(double_of(v));
    default: return 0;
  }
}

std::string format_float(float f) {
  if (!std::isfinite(f) || f == 0.0f) return printf_text("%.6g", static_cast<double>(f));
  // Round the exact decimal expansion to six significant digits, halves away from zero,
  // so the printer's own (half-to-even) rounding never sees a tie.
  char digits[64];
  std::snprintf(digits, sizeof digits, "%.20e", static_cast<double>(f));
  const bool negative = digits[0] == '-';
  const char* m = digits + (negative ? 1 : 0);  // d.dddd...e+XX
  int exponent = std::atoi(std::strchr(m, 'e') + 1);
  char kept[7] = {m[0], m[2], m[3], m[4], m[5], m[6], 0};
  if (m[7] >= '5') {
    int i = 5;
    for (; i >= 0 && kept[i] == '9'; --i) kept[i] = '0';
    if (i < 0) {
      kept[0] = '1';
      ++exponent;
    } else {
      ++kept[i];
    }
  }
  char rounded[32];
  std::snprintf(rounded, sizeof rounded, "%s%c.%se%d", negative ? "-" : "", kept[0], kept + 1, exponent);
  return printf_text("%.6g", std::strtod(rounded, nullptr));
}

std::string format_double(double d) { return printf_text("%.13g", d); }

std::string format_logical(bool on) { return text_constant(on ? library_texts::kTrue : library_texts::kFalse); }

std::string format_datetime(double ole_date) {
  double d = std::isnan(ole_date) ? 0.0 : std::fmin(std::fmax(ole_date, -657434.0), 2958465.0);
  double whole = std::trunc(d);
  int64_t day = static_cast<int64_t>(whole);
  // The fraction is the time of day also for dates before the epoch.
  int64_t seconds = std::llround(std::fabs(d - whole) * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    ++day;
  }
  int year, month, mday;
  civil_from_days(day - 25569, year, month, mday);
  int hour = static_cast<int>(seconds / 3600), minute = static_cast<int>(seconds / 60 % 60),
      second = static_cast<int>(seconds % 60);
  using namespace library_texts;
  std::string out = std::to_string(year) + text_constant(kYear) + std::to_string(month) + text_constant(kMonth) +
                    std::to_string(mday) + text_constant(kDay);
  if (second != 0 || minute != 0 || hour != 0) out += std::to_string(hour) + text_constant(kHour);
  if (second != 0 || minute != 0) out += std::to_string(minute) + text_constant(kMinute);
  if (second != 0) out += std::to_string(second) + text_constant(kSecond);
  return out;
}

std::string to_text(const Value& v) {
  switch (v.tag) {
    case kInt: return printf_text("%d", static_cast<int32_t>(v.low));
    case kShort: return printf_text("%d", static_cast<int>(static_cast<int16_t>(v.low)));
    case kByte: return printf_text("%u", static_cast<unsigned>(static_cast<uint8_t>(v.low)));
    case kLong: return printf_text("%lld", static_cast<long long>(v.bits64()));
    case kFloat: return format_float(float_of(v));
    case kDouble: return format_double(double_of(v));
    case kLogical: return format_logical(v.low != 0);
    case kDateTime: return format_datetime(double_of(v));
    case kText: return std::string(text_of(v));
    case kBinary: return std::string(up_to_zero(binary_of(v)));
    default: return std::string(up_to_zero(numeric_array_bytes(v)));
  }
}

std::string to_binary(const Value& v) {
  if (v.tag == kText) return std::string(text_of(v));
  if (v.tag == kBinary) return std::string(binary_of(v));
  if (is_array(v.tag)) return std::string(numeric_array_bytes(v));
  size_t size = stored_size(v.tag);
  uint64_t bits = v.bits64();
  std::string out(size, '\0');
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<char>(bits >> (8 * i));
  return out;
}

}  // namespace rt::convert
