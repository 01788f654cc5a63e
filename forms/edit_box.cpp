#include "forms/edit_box.h"

#include "forms/edit_selection.h"
#include "forms/edit_input.h"
#include "forms/font_property.h"
#include "platform/line_breaks.h"

namespace forms {
namespace {

enum Own {
  kContent, kBorder, kTextColour, kBackground, kFont, kHideSelection, kMaxLength, kMultiLine, kScrollBars,
  kAlignment, kInputMode, kPasswordChar, kCaseConversion, kAdjuster, kAdjusterMin, kAdjusterMax,
  kSelectionStart, kSelectionLength, kSelectedText, kBindingA, kBindingB, kOwnCount
};

platform::EditStyle style_of(const EditBoxData& d) {
  platform::EditStyle s;
  s.border = d.border;
  s.multi_line = d.multi_line;
  s.scroll_bars = d.scroll_bars;
  s.alignment = d.alignment;
  s.read_only = d.input_mode == input_mode::kReadOnly;
  s.password = d.input_mode == input_mode::kPassword;
  s.password_char = static_cast<char>(d.password_char);
  s.case_conversion = d.case_conversion;
  s.max_length = d.max_length;
  s.hide_selection = d.hide_selection;
  s.text_colour = d.text_colour;
  s.background = d.background;
  return s;
}

}  // namespace

std::unique_ptr<Unit> EditBox::create(const CreateContext& context) {
  EditBoxData data;
  if (!read_edit_box_data(context.type_data, data)) return nullptr;
  std::unique_ptr<EditBox> unit(new EditBox(context, std::move(data)));
  platform::CreateParams p;
  p.kind = platform::WidgetKind::Edit;
  p.text = unit->d_.content;
  p.edit = style_of(unit->d_);
  p.font = to_platform_font(unit->d_.font);
  if (!unit->create_window(context, p)) return nullptr;
  const int start = unit->d_.selection_start;
  backend().edit_set_selection(unit->window(), start, start + unit->d_.selection_length);
  backend().edit_scroll_caret(unit->window());
  return unit;
}

bool EditBox::get_property(int i, PropertyValue& out) {
  const platform::Handle w = window();
  switch (i) {
    case kContent: out.bytes = backend().text(w); return true;
    case kBorder: out.integer = d_.border; return true;
    case kTextColour: out.integer = d_.text_colour; return true;
    case kBackground: out.integer = d_.background; return true;
    case kFont: out.bytes = pack_font(d_.font); return true;
    case kHideSelection: out.integer = d_.hide_selection; return true;
    case kMaxLength: out.integer = d_.max_length; return true;
    case kMultiLine: out.integer = d_.multi_line; return true;
    case kScrollBars: out.integer = d_.scroll_bars; return true;
    case kAlignment: out.integer = d_.alignment; return true;
    case kInputMode: out.integer = d_.input_mode; return true;
    case kPasswordChar: out.bytes = d_.password_char ? std::string(1, static_cast<char>(d_.password_char)) : ""; return true;
    case kCaseConversion: out.integer = d_.case_conversion; return true;
    case kAdjuster: out.integer = d_.adjuster; return true;
    case kAdjusterMin: out.integer = d_.adjuster_min; return true;
    case kAdjusterMax: out.integer = d_.adjuster_max; return true;
    case kSelectionStart: out.integer = backend().edit_selection(w).first; return true;
    case kSelectionLength: out.integer = selection_length(backend(), w); return true;
    case kSelectedText: out.bytes = selected_text(backend(), w); return true;
    case kBindingA: out.bytes = d_.binding_a; return true;
    case kBindingB: out.bytes = d_.binding_b; return true;
    default: return false;
  }
}

bool EditBox::set_property(int i, const PropertyValue& v) {
  const platform::Handle w = window();
  const int32_t n = static_cast<int32_t>(v.integer);
  switch (i) {
    case kContent: set_content(v.bytes); break;
    case kBorder: d_.border = n; break;
    case kTextColour: d_.text_colour = static_cast<uint32_t>(n); break;
    case kBackground: d_.background = static_cast<uint32_t>(n); break;
    case kFont: d_.font = unpack_font(v.bytes); apply_font(d_.font); break;
    case kHideSelection: d_.hide_selection = n != 0; break;
    case kMaxLength: d_.max_length = n < 0 ? 0 : n; break;
    case kMultiLine: d_.multi_line = n != 0; break;
    case kScrollBars: d_.scroll_bars = n; break;
    case kAlignment: d_.alignment = n; break;
    case kInputMode: d_.input_mode = n; break;
    case kPasswordChar: d_.password_char = v.bytes.empty() ? 0 : static_cast<uint8_t>(v.bytes[0]); break;
    case kCaseConversion: d_.case_conversion = n; break;
    case kAdjuster: d_.adjuster = n; break;
    case kAdjusterMin: d_.adjuster_min = n; break;
    case kAdjusterMax: d_.adjuster_max = n; break;
    case kSelectionStart: set_selection_start(backend(), w, n); break;
    case kSelectionLength: set_selection_length(backend(), w, n); break;
    case kSelectedText: backend().edit_replace_selection(w, v.bytes); break;
    case kBindingA: d_.binding_a = v.bytes; break;
    case kBindingB: d_.binding_b = v.bytes; break;
    default: break;
  }
  return false;
}

void EditBox::set_content(std::string_view gbk) {
  d_.content = gbk;
  ignore_change_ = true;
  backend().set_text(window(), gbk);
  ignore_change_ = false;
  raise(0);
}

// The bound knows the length of every line shown, so neither the append nor a trim reads
// back the text kept; it is measured once when something else changed it.
void EditBox::append(std::string_view gbk) {
  const platform::Handle w = window();
  const std::string text = platform::crlf_line_breaks(gbk);
  if (!log_.known()) log_.measure(backend().text(w));
  appending_ = true;
  if (backend().edit_append(w, text) != text.size()) {
    log_.forget();  // the box holds it otherwise than counted: measured again next time
  } else if (const size_t cut = log_.grew(text)) {
    log_.dropped(backend().edit_drop_front(w, cut));
  }
  appending_ = false;
  raise(0);
}

bool EditBox::claims_key(platform::KeyPress key) const {
  const bool plain = !key.shift && !key.ctrl && !key.alt;
  return plain && key.key == platform::Key::Enter && d_.multi_line && d_.input_mode != input_mode::kReadOnly;
}

bool EditBox::on_char(uint32_t ch) { return admits_char(d_.input_mode, ch); }

void EditBox::on_notify(platform::Notify what) {
  switch (what) {
    case platform::Notify::Changed:
      if (appending_) break;
      log_.forget();
      if (!ignore_change_) raise(0);
      break;
    case platform::Notify::FocusOut:
      normalise_on_focus_lost();
      if (window()) raise(rt::kEventFocusLost);
      break;
    default: WindowUnit::on_notify(what); break;
  }
}

// The numeric and date modes rewrite the text when it does not have their form; the caret
// goes back to where the selection started.
void EditBox::normalise_on_focus_lost() {
  if (d_.input_mode < input_mode::kByte || d_.input_mode > input_mode::kDateTime) return;
  const platform::Handle w = window();
  const std::string text = backend().text(w);
  const std::string normal = normalise_for_mode(d_.input_mode, text);
  if (normal == text) return;
  const int start = backend().edit_selection(w).first;
  backend().set_text(w, normal);
  if (!window()) return;
  backend().edit_set_selection(w, start, start);
  backend().edit_scroll_caret(w);
}

}  // namespace forms
