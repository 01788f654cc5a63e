// Small helpers every command uses to read its arguments and fill its result record.
// Results carry only value fields: the tag of a result record stays 0.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/core_services.h"
#include "runtime/library/value_text.h"
#include "runtime/value.h"

namespace rt::cmd {

inline bool given(const Value& v) { return v.tag != kNone; }

// An optional Int-like argument: `fallback` when it was not given.
inline int32_t int_or(const Value& v, int32_t fallback) { return given(v) ? convert::to_int(v) : fallback; }

// A file number argument: only numbers name files (a text "1" does not).
inline int32_t file_number(const Value& v) { return is_numeric(v.tag) ? convert::to_int(v) : 0; }

// A Text argument's bytes; any other type reads as empty.
inline std::string_view text_arg(const Value& v) { return v.tag == kText ? convert::text_of(v) : std::string_view(); }

inline void result_int(Value* r, int32_t value) {
  r->low = static_cast<uint32_t>(value);
  r->high = 0;
}
inline void result_logical(Value* r, bool on) { result_int(r, on ? 1 : 0); }
inline void result_pointer(Value* r, const void* p) { r->set_pointer(p, kNone); }

// Fresh runtime-heap copies (null for empty) handed to the caller.
inline void result_text(Value* r, std::string_view gbk) { result_pointer(r, new_text(gbk)); }
inline void result_binary(Value* r, std::string_view bytes) {
  result_pointer(r, new_binary(bytes.data(), bytes.size()));
}

}  // namespace rt::cmd
