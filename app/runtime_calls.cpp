#include "app/runtime_calls.h"

#include <cstring>

#include "app_texts.h"

namespace app {
namespace {
// The most argument records any call of the tool passes.
constexpr size_t kMaxArgs = 8;
}  // namespace

const char* text(uint32_t offset) { return texts::text_at(offset); }

HeapText& HeapText::operator=(HeapText&& o) noexcept {
  if (this != &o) {
    rt::helpers().free(p_);
    p_ = o.p_;
    o.p_ = nullptr;
  }
  return *this;
}

HeapText::~HeapText() { rt::helpers().free(p_); }

const char* HeapText::arg() const { return p_ ? p_ : text(texts::empty); }

rt::Value text_arg(const char* t) {
  rt::Value v;
  v.set_text(t ? t : text(texts::empty));
  return v;
}
rt::Value int_arg(int32_t i) {
  rt::Value v;
  v.set_int(i);
  return v;
}
rt::Value logical_arg(bool b) {
  rt::Value v;
  v.set_logical(b);
  return v;
}
rt::Value unit_arg(UnitId u) {
  rt::Value v;
  v.set_unit(kMainForm, u.id, u.type);
  return v;
}
rt::Value binary_arg(const uint8_t* block) {
  rt::Value v;
  v.set_binary(block);
  return v;
}
rt::Value none_arg() { return rt::Value{}; }

namespace {

// The runtime reads the records in place; they stay ours. More than the records hold is an
// index beyond the array: the runtime error says so instead of writing past it.
struct Records {
  rt::Value values[kMaxArgs];
  int count = 0;
  explicit Records(std::initializer_list<rt::Value> args) {
    if (args.size() > kMaxArgs) rt::helpers().raise_runtime_error(rt::kErrorArrayIndexRange);
    for (const rt::Value& a : args)
      if (count < static_cast<int>(kMaxArgs)) values[count++] = a;
  }
};

}  // namespace

rt::Value call(rt::CoreCommand command, std::initializer_list<rt::Value> args) {
  Records r(args);
  return rt::helpers().call_core_command(rt::core_command(command), r.count, r.values);
}

rt::Value call_special(rt::SpecialCommand command, std::initializer_list<rt::Value> args) {
  Records r(args);
  return rt::helpers().call_library_command(rt::special_command(command), r.count, r.values, rt::kSpecialLibraryIndex);
}

HeapText call_text(rt::CoreCommand command, std::initializer_list<rt::Value> args) {
  rt::Value r = call(command, args);
  return HeapText(static_cast<char*>(r.pointer()));
}

int32_t call_int(rt::CoreCommand command, std::initializer_list<rt::Value> args) {
  return static_cast<int32_t>(call(command, args).low);
}

void delay(int32_t ms) { call_special(rt::kDelay, {int_arg(ms)}); }

void show_message(uint32_t message_offset) {
  call(rt::kMessageBox, {text_arg(text(message_offset)), int_arg(0), text_arg(text(texts::caption_info))});
}

HeapText read_text(UnitId u, int index) {
  uint64_t v = rt::helpers().read_property(kMainForm, u.id, index, -1);
  return HeapText(reinterpret_cast<char*>(static_cast<uintptr_t>(v)));
}

void write_text(UnitId u, int index, const char* t) {
  rt::helpers().write_property(kMainForm, u.id, index, -1, reinterpret_cast<uintptr_t>(t ? t : text(texts::empty)), 0);
}

int32_t read_int(UnitId u, int index) {
  return static_cast<int32_t>(rt::helpers().read_property(kMainForm, u.id, index, -1));
}

void write_int(UnitId u, int index, int32_t v) {
  rt::helpers().write_property(kMainForm, u.id, index, -1, static_cast<uint32_t>(v), 0);
}

void set_disabled(UnitId u, bool disabled) { write_int(u, prop::kDisabled, disabled ? 1 : 0); }

bool main_form_open() { return rt::helpers().startup_service(rt::startup_op::kUnitAlive, kMainForm, unit::kForm.id) != 0; }

bool in_user_folder() { return rt::helpers().startup_service(rt::startup_op::kUserFolderCurrent, 0, 0) == 1; }

bool contains(const char* haystack, const char* needle) {
  return call_int(rt::kFindText, {text_arg(haystack), text_arg(needle), int_arg(1), logical_arg(false)}) != -1;
}

int32_t to_int(const char* t) { return call_int(rt::kToInt, {text_arg(t)}); }

HeapText int_to_text(int32_t v) { return call_text(rt::kToText, {int_arg(v)}); }

HeapText trimmed(const char* t) { return call_text(rt::kTrimSpaces, {text_arg(t)}); }

int32_t text_length(const char* t) { return call_int(rt::kTextLength, {text_arg(t)}); }

}  // namespace app

namespace app {

TextArray::~TextArray() {
  for (uint32_t i = 0; i < size(); ++i) {
    char* element;
    std::memcpy(&element, block_ + 8 + i * sizeof(char*), sizeof(char*));
    rt::helpers().free(element);
  }
  rt::helpers().free(block_);
}

uint32_t TextArray::size() const {
  uint32_t n = 0;
  if (block_) std::memcpy(&n, block_ + 4, 4);
  return n;
}

const char* TextArray::at(uint32_t i) const {
  const char* element = nullptr;
  if (i < size()) std::memcpy(&element, block_ + 8 + i * sizeof(char*), sizeof(char*));
  return element ? element : text(texts::empty);
}

TextArray split(const char* t, const char* delimiter, int32_t max_count) {
  rt::Value r = call(rt::kSplitText, {text_arg(t), text_arg(delimiter), int_arg(max_count)});
  return TextArray(static_cast<uint8_t*>(r.pointer()));
}

}  // namespace app
