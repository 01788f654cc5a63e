// The runtime heap: every text, binary and array block the program handles comes from here.
// Pointers into the program's constant data may travel wherever a heap block may, so free
// and realloc recognise them and never touch them.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "runtime/core_services.h"
#include "runtime/runtime_state.h"
#include "runtime/runtime_texts.h"
#include "runtime/value.h"

namespace rt {
namespace {

struct ConstantRange {
  const uint8_t* start;
  const uint8_t* end;  // one past the last byte
};

std::vector<ConstantRange>& constant_ranges() {
  static std::vector<ConstantRange> ranges;
  return ranges;
}

const ConstantRange* find_constant_range(const void* p) {
  auto* b = static_cast<const uint8_t*>(p);
  if (!b) return nullptr;
  for (const auto& r : constant_ranges())
    if (b >= r.start && b < r.end) return &r;
  return nullptr;
}

[[noreturn]] void allocation_failed(size_t size) {
  // The message carries the requested size; the size is printed unsigned so a huge request
  // never shows up as a negative byte count.
  char number[32];
  std::snprintf(number, sizeof number, "%zu", size);
  std::string message(text(texts::kAllocFailedBefore));
  message += number;
  message += text(texts::kAllocFailedAfter);
  runtime_error(message);
}

}  // namespace

void* alloc_or_null(size_t size) {
  // A zero-byte request still yields a distinct, freeable block.
  return std::malloc(size ? size : 1);
}

void* alloc(size_t size) {
  void* p = alloc_or_null(size);
  if (!p) allocation_failed(size);
  return p;
}

void* realloc(void* block, size_t size) {
  if (!block) return alloc(size);
  if (const ConstantRange* r = find_constant_range(block)) {
    // A constant is never resized in place: copy what lies between it and the range end.
    size_t available = static_cast<size_t>(r->end - static_cast<const uint8_t*>(block));
    void* copy = alloc(size);
    std::memcpy(copy, block, size < available ? size : available);
    return copy;
  }
  void* p = std::realloc(block, size ? size : 1);
  if (!p) allocation_failed(size);  // the old block stays valid; the program ends anyway
  return p;
}

void free(void* block) {
  if (!block || find_constant_range(block)) return;
  std::free(block);
}

void add_constant_range(const void* start, size_t size) {
  if (!start || size == 0) return;
  auto* s = static_cast<const uint8_t*>(start);
  constant_ranges().push_back({s, s + size});
}

void clear_constant_ranges() { constant_ranges().clear(); }

bool in_constant_range(const void* p) { return find_constant_range(p) != nullptr; }

size_t detail::constant_bytes_from(const void* p) {
  const ConstantRange* r = find_constant_range(p);
  return r ? static_cast<size_t>(r->end - static_cast<const uint8_t*>(p)) : 0;
}

char* new_text(std::string_view gbk) {
  if (gbk.empty()) return nullptr;
  auto* p = static_cast<char*>(alloc(gbk.size() + 1));
  std::memcpy(p, gbk.data(), gbk.size());
  p[gbk.size()] = '\0';
  return p;
}

uint8_t* new_binary(const void* data, size_t size) {
  if (size == 0) return nullptr;
  if (size > std::numeric_limits<uint32_t>::max()) allocation_failed(size);
  auto* p = static_cast<uint8_t*>(alloc(sizeof(BinaryHeader) + size));
  const BinaryHeader header{1, static_cast<uint32_t>(size)};
  std::memcpy(p, &header, sizeof header);
  if (data) std::memcpy(p + sizeof header, data, size);
  else std::memset(p + sizeof header, 0, size);
  return p;
}

uint8_t* new_array(uint32_t count, size_t element_size) {
  const size_t header = 8;
  if (element_size != 0 && count > (std::numeric_limits<size_t>::max() - header) / element_size)
    allocation_failed(std::numeric_limits<size_t>::max());
  size_t total = header + count * element_size;
  auto* p = static_cast<uint8_t*>(alloc(total));
  std::memset(p, 0, total);
  const uint32_t dims[2] = {1, count};
  std::memcpy(p, dims, sizeof dims);
  return p;
}

void free_array(uint32_t element_tag, void* block) {
  if (!block || in_constant_range(block)) return;
  if (element_tag == kText || element_tag == kBinary) {
    auto* b = static_cast<uint8_t*>(block);
    uint32_t count = array_count(b);
    uint8_t* elements = array_elements(b);
    for (uint32_t i = 0; i < count; ++i) {
      void* element;
      std::memcpy(&element, elements + i * sizeof(void*), sizeof element);
      free(element);
    }
  }
  free(block);
}

std::string_view text_view(const char* text) { return text ? std::string_view(text) : std::string_view(); }

}  // namespace rt
