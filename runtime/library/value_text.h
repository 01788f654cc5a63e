// Conversions of value records to numbers, texts and byte runs, shared by the conversion
// commands, the message box and the file commands. Results are plain std::strings of GBK
// bytes; the commands copy them into runtime-heap blocks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/value.h"

namespace rt::convert {

// A Text record's bytes (null = empty).
std::string_view text_of(const Value& v);
// The bytes of a Binary record's block (null = empty).
std::string_view binary_of(const Value& v);
// The element bytes of an array of a numeric type (count x element size); empty otherwise.
std::string_view numeric_array_bytes(const Value& v);

int32_t to_int(const Value& v);

std::string format_float(float f);    // 6 significant digits, halves away from zero
std::string format_double(double d);  // "%.13g"
std::string format_datetime(double ole_date);
std::string format_logical(bool on);

// The text form of a value: numbers, Logical, DateTime, Text, numeric arrays and Binary
// (their bytes up to the first zero); anything else gives an empty text.
std::string to_text(const Value& v);

// The byte form: Text without its zero, Binary's bytes, a basic value's own bytes at its
// size, a numeric array's element bytes; anything else is empty.
std::string to_binary(const Value& v);

// Bytes a basic non-pointer value occupies in a binary or a file (Byte 1 ... Double 8);
// 0 for Text, Binary, arrays and non-basic tags.
size_t stored_size(uint32_t tag);

}  // namespace rt::convert
