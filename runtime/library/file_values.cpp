// write_to_file and read_from_file: values in their file form. A text is its bytes and a
// zero; a binary is a dword count and its bytes; other basic values are their bytes at
// their size; an array is its elements only.
#include <cstring>
#include <string>

#include "runtime/library/command_support.h"
#include "runtime/library/commands.h"
#include "runtime/library/file_table.h"

namespace rt {
namespace {

constexpr size_t kTextBlock = 512;

template <typename T>
T load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void store(void* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// ---- writing

void put_text(std::string& out, const char* text) {
  if (text) out += text;
  out += '\0';
}

void put_binary(std::string& out, const uint8_t* block) {
  uint32_t n = binary_size(block);
  out.append(reinterpret_cast<const char*>(&n), 4);
  if (n) out.append(reinterpret_cast<const char*>(binary_bytes(block)), n);
}

// One stored element or value of a basic type at `p` (element layout).
void put_element(std::string& out, uint32_t tag, const uint8_t* p) {
  if (tag == kText) return put_text(out, load<const char*>(p));
  if (tag == kBinary) return put_binary(out, load<const uint8_t*>(p));
  out.append(reinterpret_cast<const char*>(p), convert::stored_size(tag));
}

// Appends a value's file form; false for a value that is not of a basic type.
bool put_value(std::string& out, const Value& v) {
  if (v.tag == kText) return put_text(out, static_cast<const char*>(v.pointer())), true;
  if (v.tag == kBinary) return put_binary(out, static_cast<const uint8_t*>(v.pointer())), true;
  if (is_basic(v.tag)) return out += convert::to_binary(v), true;
  if (!is_array(v.tag)) return false;
  const uint8_t* block = static_cast<const uint8_t*>(v.pointer());
  uint32_t elem = element_tag(v.tag), count = array_count(block);
  size_t step = value_size(elem);
  if (count && step == 0) return false;
  for (uint32_t i = 0; i < count; ++i) put_element(out, elem, array_elements(block) + i * step);
  return true;
}

// ---- reading

bool read_exact(platform::File& file, void* buf, size_t n) {
  size_t got = 0;
  return file.read(buf, n, got) && got == n;
}

// Reads up to the next zero byte and leaves the position just after it; at the end of the
// file the bytes read so far are the text (none: failure).
bool read_text(platform::File& file, char*& out) {
  const int64_t start = file.position();
  std::string bytes;
  char block[kTextBlock];
  for (;;) {
    size_t got = 0;
    if (!file.read(block, sizeof block, got)) return false;
    if (got == 0) break;
    if (const void* zero = std::memchr(block, 0, got)) {
      bytes.append(block, static_cast<const char*>(zero) - block);
      if (!file.seek(start + static_cast<int64_t>(bytes.size()) + 1)) return false;
      out = new_text(bytes);
      return true;
    }
    bytes.append(block, got);
  }
  if (bytes.empty()) return false;
  out = new_text(bytes);
  return true;
}

// A count then that many bytes. The count is checked against what the file still holds,
// so a damaged count never asks for a huge block.
bool read_binary(platform::File& file, uint8_t*& out) {
  uint32_t n = 0;
  if (!read_exact(file, &n, 4)) return false;
  int64_t left = file.length() - file.position();
  if (left < 0 || n > left) return false;
  std::string bytes(n, '\0');
  if (!read_exact(file, bytes.data(), n)) return false;
  out = new_binary(bytes.data(), n);
  return true;
}

// Fills one stored element or value at `slot`. Text and Binary slots must hold null (or
// an old value the caller releases); they are set to the new block or left null.
bool read_element(platform::File& file, uint32_t tag, uint8_t* slot) {
  if (tag == kText) {
    char* text = nullptr;
    bool ok = read_text(file, text);
    store(slot, text);
    return ok;
  }
  if (tag == kBinary) {
    uint8_t* block = nullptr;
    bool ok = read_binary(file, block);
    store(slot, block);
    return ok;
  }
  // A code address is never taken from a file.
  size_t size = tag == kSubroutinePtr ? 0 : convert::stored_size(tag);
  uint8_t bytes[8];
  if (size == 0 || !read_exact(file, bytes, size)) return false;
  std::memcpy(slot, bytes, size);
  return true;
}

// Replaces the array a variable holds with a fresh one of as many elements read from the
// file; on failure the variable holds an empty array.
bool read_array(platform::File& file, uint32_t tag, uint8_t** variable) {
  uint32_t elem = element_tag(tag);
  size_t step = value_size(elem);
  uint8_t* old = *variable;
  uint32_t count = array_count(old);
  uint8_t* fresh = new_array(count, step ? step : 1);
  bool ok = step != 0;
  for (uint32_t i = 0; ok && i < count; ++i) ok = read_element(file, elem, array_elements(fresh) + i * step);
  free_array(elem, old);
  if (!ok) {
    free_array(elem, fresh);
    fresh = new_array(0, step ? step : 1);
  }
  *variable = fresh;
  return ok;
}

bool read_variable(platform::File& file, const Value& v) {
  if (!is_array(v.tag) && !is_basic(v.tag)) return false;
  uint8_t* variable = static_cast<uint8_t*>(v.pointer());
  if (!variable) return false;
  if (is_array(v.tag)) return read_array(file, v.tag, reinterpret_cast<uint8_t**>(variable));
  if (v.tag == kText || v.tag == kBinary) {
    void* old = load<void*>(variable);
    store<void*>(variable, nullptr);
    free(old);
  }
  return read_element(file, v.tag, variable);
}

}  // namespace

void cmd_write_to_file(Value* result, int arg_count, Value* args) {
  platform::File* file = files::find(cmd::file_number(args[0]));
  cmd::result_logical(result, false);
  if (!file) return;
  const int64_t position = file->position();
  std::string bytes;
  bool all = true;
  for (int i = 1; all && i < arg_count; ++i) all = put_value(bytes, args[i]);
  // Values before a non-basic one are written; then the position goes back.
  bool written = bytes.empty() || file->write(bytes.data(), bytes.size());
  if (!all || !written) {
    file->seek(position);
    return;
  }
  cmd::result_logical(result, true);
}

void cmd_read_from_file(Value* result, int arg_count, Value* args) {
  platform::File* file = files::find(cmd::file_number(args[0]));
  cmd::result_logical(result, false);
  if (!file) return;
  const int64_t position = file->position();
  for (int i = 1; i < arg_count; ++i) {
    if (!read_variable(*file, args[i])) {
      file->seek(position);
      return;
    }
  }
  cmd::result_logical(result, true);
}

}  // namespace rt
