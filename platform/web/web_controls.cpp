// WebBackend: edit selections, the two primitives a log is kept with, combo box items, IP
// addresses and label styles. Selections and lengths cross to the program as GBK bytes (CR LF
// counting two in multi-line boxes).
#include <algorithm>

#include "platform/gbk_offsets.h"
#include "platform/web/web_backend.h"
#include "platform/web/web_text.h"

namespace platform::web {
// A label style as controls.js labelStyle() takes it.
std::string label_style_json(const LabelStyle& l) {
  auto i = [](int64_t v) { return std::to_string(v); };
  return "{\"textEffect\":" + i(l.text_effect) + ",\"border\":" + i(l.border) + ",\"frameWidth\":" + i(l.frame_width) +
         ",\"frameColour\":" + i(l.frame_colours[0]) + ",\"textColour\":" + i(l.text_colour) +
         ",\"background\":" + i(l.background) + ",\"hAlign\":" + i(l.h_align) + ",\"vAlign\":" + i(l.v_align) +
         ",\"wordWrap\":" + std::string(l.word_wrap ? "true" : "false") + "}";
}

std::pair<int, int> WebBackend::edit_selection(Handle edit) const {
  const Window* w = find(edit);
  if (!w || !w->has_edit_field()) return {0, 0};
  const std::string text = page::text(edit);
  const auto [start, end] = page::selection(edit);
  return {static_cast<int>(gbk_offset_at(text, start, w->multi_line)),
          static_cast<int>(gbk_offset_at(text, end, w->multi_line))};
}

// As the native control: a start of -1 drops the selection and keeps the caret; an end of
// -1 means the end of the text; reversed bounds are swapped; everything is clamped.
void WebBackend::edit_set_selection(Handle edit, int start, int end) {
  const Window* w = find(edit);
  if (!w || !w->has_edit_field()) return;
  if (start < 0) {
    const int caret = page::selection(edit).second;
    page::set_selection(edit, caret, caret);
    return;
  }
  const std::string text = page::text(edit);
  if (end < 0) end = static_cast<int>(gbk_length(text, w->multi_line));
  if (start > end) std::swap(start, end);
  page::set_selection(edit, static_cast<int>(units_at_gbk_offset(text, start, w->multi_line)),
                      static_cast<int>(units_at_gbk_offset(text, end, w->multi_line)));
}

// Replaces the selection (or inserts at the caret) and reports one Changed.
void WebBackend::edit_replace_selection(Handle edit, std::string_view gbk) {
  const Window* w = find(edit);
  if (!w || !w->has_edit_field()) return;
  const std::string text = to_utf8(gbk);
  page::replace_selection(edit, w->multi_line ? one_line_feed_per_break(text) : text);
  book_.notify(edit, Notify::Changed);
}

void WebBackend::edit_scroll_caret(Handle edit) {
  if (find(edit)) page::scroll_caret(edit);
}

// A multi-line box holds a line feed for each CR LF, two bytes read back; a single-line box
// shows the text as it comes. Measured on the appended text alone.
size_t WebBackend::append_native(WindowRecord& edit, std::string_view gbk) {
  const auto& w = static_cast<const Window&>(edit);
  std::string text = to_utf8(gbk);
  if (w.multi_line) text = crlf_to_lf(text);
  page::append(w.handle, text);
  return static_cast<size_t>(gbk_length(text, w.multi_line));
}

// Whole characters from the front holding at least `bytes` bytes: the front read only as far
// as it is dropped.
size_t WebBackend::drop_front_native(WindowRecord& edit, size_t bytes) {
  const auto& w = static_cast<const Window&>(edit);
  if (bytes == 0) return 0;
  const auto wanted = static_cast<int64_t>(std::min<uint64_t>(bytes, INT64_MAX));
  const std::string front = page::text_front(w.handle, 2 * wanted + 2);  // a character takes 1 or 2 units
  const int64_t units = units_holding(front, wanted, w.multi_line);
  const int64_t dropped = gbk_offset_at(front, units, w.multi_line);
  page::drop_front(w.handle, static_cast<int>(units));
  page::scroll_caret(w.handle);
  return static_cast<size_t>(dropped);
}

void WebBackend::insert_item_native(Handle combo, int index, std::string_view gbk) {
  page::combo_insert(combo, index, to_utf8(gbk));
}

int WebBackend::combo_count(Handle combo) const { return find(combo) ? page::combo_count(combo) : 0; }

std::string WebBackend::combo_item(Handle combo, int index) const {
  if (!find(combo) || index < 0 || index >= page::combo_count(combo)) return {};
  return to_gbk(page::combo_item(combo, index));
}

int WebBackend::combo_current(Handle combo) const {
  const Window* w = find(combo);
  return w && w->kind == WidgetKind::ComboBox ? page::combo_current(combo) : -1;
}

// An index outside the items clears the selection and the field; a valid one shows the
// item's text, selected. Nothing is reported.
void WebBackend::combo_set_current(Handle combo, int index) {
  const Window* w = find(combo);
  if (!w || w->kind != WidgetKind::ComboBox) return;
  page::combo_select(combo, index);
  page::set_selection(combo, 0, 1 << 30);  // all of it: the page clamps to the text
}

void WebBackend::ip_set(Handle ip, const uint8_t parts[4]) {
  if (find(ip)) page::ip_set(ip, parts);
}

void WebBackend::ip_clear(Handle ip) {
  if (find(ip)) page::ip_clear(ip);
}

bool WebBackend::ip_blank(Handle ip) const { return !find(ip) || page::ip_blank(ip); }

void WebBackend::ip_get(Handle ip, uint8_t parts[4]) const {
  if (find(ip)) {
    page::ip_get(ip, parts);
    return;
  }
  for (int i = 0; i < 4; ++i) parts[i] = 0;
}

void WebBackend::label_set_style(Handle label, const LabelStyle& style) {
  const Window* w = find(label);
  if (w && w->kind == WidgetKind::Label) page::label_style(label, label_style_json(style));
}

}  // namespace platform::web
