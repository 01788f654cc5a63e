#include "forms/combo_box.h"

#include <cstring>

#include "forms/edit_selection.h"
#include "forms/font_property.h"

namespace forms {
namespace {

enum Own {
  kStyle, kContent, kMaxLength, kSelectionStart, kSelectionLength, kSelectedText, kSorted, kExtraItemHeight,
  kTextColour, kBackground, kFont, kCurrentSelection, kItems, kItemValues, kBindingA, kBindingB, kOption
};
constexpr int32_t kDropDownList = 2;

void append_dword(std::string& out, uint32_t v) {
  char b[4];
  std::memcpy(b, &v, 4);
  out.append(b, 4);
}

}  // namespace

std::unique_ptr<Unit> ComboBox::create(const CreateContext& context) {
  ComboBoxData data;
  if (!read_combo_box_data(context.type_data, data)) return nullptr;
  std::unique_ptr<ComboBox> unit(new ComboBox(context, std::move(data)));
  const ComboBoxData& d = unit->d_;
  platform::CreateParams p;
  p.kind = platform::WidgetKind::ComboBox;
  p.combo.style = d.style;
  p.combo.sorted = d.sorted;
  p.combo.max_length = d.max_length;
  p.combo.text_colour = d.text_colour;
  p.combo.background = d.background;
  p.font = to_platform_font(d.font);
  if (!unit->create_window(context, p)) return nullptr;
  const platform::Handle w = unit->window();
  for (const std::string& item : d.items) backend().combo_add_item(w, item);
  unit->select(d.initial_selection);
  // The stored content wins over the initial selection's text in the edit field.
  if (d.style != kDropDownList) {
    backend().set_text(w, d.content);
    backend().edit_set_selection(w, d.selection_start, d.selection_start + d.selection_length);
  }
  return unit;
}

void ComboBox::select(int64_t index) {
  const int count = backend().combo_count(window());
  if (index > count - 1) index = count - 1;
  if (index < -1) index = -1;
  edited_ = false;
  backend().combo_set_current(window(), static_cast<int>(index));
}

int ComboBox::current() const { return edited_ ? -1 : backend().combo_current(window()); }

void ComboBox::on_notify(platform::Notify what) {
  switch (what) {
    case platform::Notify::Edited: edited_ = true; break;
    case platform::Notify::Chosen: edited_ = false; break;
    default: WindowUnit::on_notify(what); break;
  }
}

// Items as a string list: a 16-bit count (0xFFFF then a dword for larger counts), then each
// item as a counted string.
std::string ComboBox::items_block() const {
  const platform::Handle w = window();
  const int count = backend().combo_count(w);
  std::string out;
  if (count < 0xFFFF) {
    out.push_back(static_cast<char>(count & 0xFF));
    out.push_back(static_cast<char>(count >> 8));
  } else {
    out.append("\xFF\xFF", 2);
    append_dword(out, static_cast<uint32_t>(count));
  }
  for (int i = 0; i < count; ++i) {
    std::string item = backend().combo_item(w, i);
    append_dword(out, static_cast<uint32_t>(item.size()));
    out += item;
  }
  return out;
}

std::string ComboBox::item_values_block() const {
  std::string out;
  for (int32_t v : d_.item_values) append_dword(out, static_cast<uint32_t>(v));
  return out;
}

bool ComboBox::get_property(int i, PropertyValue& out) {
  const platform::Handle w = window();
  switch (i) {
    case kStyle: out.integer = d_.style; return true;
    case kContent: out.bytes = backend().text(w); return true;
    case kMaxLength: out.integer = d_.max_length; return true;
    case kSelectionStart: out.integer = backend().edit_selection(w).first; return true;
    case kSelectionLength: out.integer = selection_length(backend(), w); return true;
    case kSelectedText: out.bytes = selected_text(backend(), w); return true;
    case kSorted: out.integer = d_.sorted; return true;
    case kExtraItemHeight: out.integer = d_.extra_item_height; return true;
    case kTextColour: out.integer = d_.text_colour; return true;
    case kBackground: out.integer = d_.background; return true;
    case kFont: out.bytes = pack_font(d_.font); return true;
    case kCurrentSelection: out.integer = current(); return true;
    case kItems: out.bytes = items_block(); return true;
    case kItemValues: out.bytes = item_values_block(); return true;
    case kBindingA: out.bytes = d_.binding_a; return true;
    case kBindingB: out.bytes = d_.binding_b; return true;
    case kOption: out.integer = d_.extra; return true;
    default: return false;
  }
}

bool ComboBox::set_property(int i, const PropertyValue& v) {
  const platform::Handle w = window();
  const int32_t n = static_cast<int32_t>(v.integer);
  switch (i) {
    case kContent:
      d_.content = v.bytes;
      if (d_.style != kDropDownList) backend().set_text(w, d_.content);
      break;
    case kMaxLength: d_.max_length = n < 0 ? 0 : n; break;
    case kSelectionStart: set_selection_start(backend(), w, n); break;
    case kSelectionLength: set_selection_length(backend(), w, n); break;
    case kSelectedText: backend().edit_replace_selection(w, v.bytes); break;
    case kExtraItemHeight: d_.extra_item_height = n; break;
    case kTextColour: d_.text_colour = static_cast<uint32_t>(n); break;
    case kBackground: d_.background = static_cast<uint32_t>(n); break;
    case kFont: d_.font = unpack_font(v.bytes); apply_font(d_.font); break;
    case kCurrentSelection: select(v.integer); break;
    case kItemValues: {
      d_.item_values.clear();
      for (size_t at = 0; at + 4 <= v.bytes.size(); at += 4) {
        int32_t value;
        std::memcpy(&value, v.bytes.data() + at, 4);
        d_.item_values.push_back(value);
      }
      break;
    }
    case kBindingA: d_.binding_a = v.bytes; break;
    case kBindingB: d_.binding_b = v.bytes; break;
    case kOption: d_.extra = n != 0; break;
    default: break;  // style, sorting and the item list are fixed once the window exists
  }
  return false;
}

}  // namespace forms
