// Thin, readable wrappers over the runtime's helper table: the only way the tool's logic
// reaches the runtime. Property access by unit and index, library commands by their table
// entry, and runtime-heap texts that free themselves.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "app/units.h"
#include "runtime/helpers.h"
#include "runtime/library.h"
#include "runtime/value.h"

namespace app {

// A constant text of the program's constant area.
const char* text(uint32_t offset);

// A text the runtime handed over (property read or command result); freed when dropped.
// Null is the empty text.
class HeapText {
 public:
  HeapText() = default;
  explicit HeapText(char* p) : p_(p) {}
  HeapText(HeapText&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  HeapText& operator=(HeapText&& o) noexcept;
  HeapText(const HeapText&) = delete;
  HeapText& operator=(const HeapText&) = delete;
  ~HeapText();
  // Never null: the constant empty text stands for null, as the commands expect.
  const char* arg() const;
  std::string_view view() const { return p_ ? std::string_view(p_) : std::string_view(); }
  bool empty() const { return !p_ || !*p_; }

 private:
  char* p_ = nullptr;
};

// ---- argument records
rt::Value text_arg(const char* t);  // null passes the constant empty text
rt::Value int_arg(int32_t v);
rt::Value logical_arg(bool v);
rt::Value unit_arg(UnitId u);
rt::Value binary_arg(const uint8_t* block);
rt::Value none_arg();

// ---- commands
rt::Value call(rt::CoreCommand command, std::initializer_list<rt::Value> args);
rt::Value call_special(rt::SpecialCommand command, std::initializer_list<rt::Value> args);
HeapText call_text(rt::CoreCommand command, std::initializer_list<rt::Value> args);
int32_t call_int(rt::CoreCommand command, std::initializer_list<rt::Value> args);
void delay(int32_t ms);
void show_message(uint32_t message_offset);  // message box captioned "信息提示窗口"

// ---- properties
HeapText read_text(UnitId u, int index);
void write_text(UnitId u, int index, const char* t);
int32_t read_int(UnitId u, int index);
void write_int(UnitId u, int index, int32_t v);
void set_disabled(UnitId u, bool disabled);
// False once the main form's window has been closed: a handler still waiting inside `delay`
// must then stop without addressing its units, which are no longer loaded.
bool main_form_open();
// True when start-up keeps the program's files in the user's own folder (an installed copy
// whose folder cannot hold them) instead of the program's folder.
bool in_user_folder();

// ---- convenience over the text commands
bool contains(const char* haystack, const char* needle);  // find_text from 1, case-sensitive
int32_t to_int(const char* t);
HeapText int_to_text(int32_t v);
HeapText trimmed(const char* t);
int32_t text_length(const char* t);

}  // namespace app

namespace app {

// The array of texts split_text returns; frees its elements and itself when dropped.
class TextArray {
 public:
  explicit TextArray(uint8_t* block) : block_(block) {}
  TextArray(const TextArray&) = delete;
  TextArray& operator=(const TextArray&) = delete;
  ~TextArray();
  uint32_t size() const;
  // Element i (0-based) as an argument-ready text; the constant empty text when null.
  const char* at(uint32_t i) const;

 private:
  uint8_t* block_;
};

TextArray split(const char* t, const char* delimiter, int32_t max_count);

}  // namespace app
