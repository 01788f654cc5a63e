// WebBackend: edit selections, the growing traffic monitor, combo box items, IP addresses and
// label styles. Selections cross to the program as GBK byte offsets (CR LF counting two in
// multi-line boxes).
#include <algorithm>

#include "platform/web/web_backend.h"
#include "platform/web/web_text.h"

namespace platform::web {
namespace {

int64_t clamp_to_int64(size_t n) {
  return static_cast<int64_t>(std::min<uint64_t>(n, INT64_MAX));
}

}  // namespace

// A label style as controls.js labelStyle() takes it.
std::string label_style_json(const LabelStyle& l) {
  auto i = [](int64_t v) { return std::to_string(v); };
  return "{\"textEffect\":" + i(l.text_effect) + ",\"border\":" + i(l.border) + ",\"frameWidth\":" + i(l.frame_width) +
         ",\"frameColour\":" + i(l.frame_colours[0]) + ",\"textColour\":" + i(l.text_colour) +
         ",\"background\":" + i(l.background) + ",\"hAlign\":" + i(l.h_align) + ",\"vAlign\":" + i(l.v_align) +
         ",\"wordWrap\":" + std::string(l.word_wrap ? "true" : "false") + "}";
}

std::pair<int, int> WebBackend::edit_selection(Handle edit) const {
  const Window* w = tree_.find(edit);
  if (!w || (w->kind != WidgetKind::Edit && w->kind != WidgetKind::ComboBox)) return {0, 0};
  const std::string text = page::text(edit);
  const auto [start, end] = page::selection(edit);
  return {static_cast<int>(gbk_offset(text, start, w->multi_line)),
          static_cast<int>(gbk_offset(text, end, w->multi_line))};
}

// As the native control: a start of -1 drops the selection and keeps the caret; an end of
// -1 means the end of the text; reversed bounds are swapped; everything is clamped.
void WebBackend::edit_set_selection(Handle edit, int start, int end) {
  const Window* w = tree_.find(edit);
  if (!w || (w->kind != WidgetKind::Edit && w->kind != WidgetKind::ComboBox)) return;
  if (start < 0) {
    const int caret = page::selection(edit).second;
    page::set_selection(edit, caret, caret);
    return;
  }
  const std::string text = page::text(edit);
  if (end < 0) end = static_cast<int>(gbk_length(text, w->multi_line));
  if (start > end) std::swap(start, end);
  page::set_selection(edit, static_cast<int>(units_at_offset(text, start, w->multi_line)),
                      static_cast<int>(units_at_offset(text, end, w->multi_line)));
}

// Replaces the selection (or inserts at the caret) and reports one Changed.
void WebBackend::edit_replace_selection(Handle edit, std::string_view gbk) {
  Window* w = tree_.find(edit);
  if (!w || (w->kind != WidgetKind::Edit && w->kind != WidgetKind::ComboBox)) return;
  const std::string text = to_utf8(gbk);
  page::replace_selection(edit, w->multi_line ? crlf_to_lf(text) : text);
  w->log_bytes = -1;
  notify(edit, Notify::Changed);
}

void WebBackend::edit_scroll_caret(Handle edit) {
  if (tree_.find(edit)) page::scroll_caret(edit);
}

// A multi-line box keeps its GBK length up to date as it appends, so an append costs the
// appended text; only when the bound is passed is the text read, to find the whole lines to
// drop (once every trim's worth of appends).
void WebBackend::edit_append(Handle edit, std::string_view gbk, size_t limit, size_t trim_to) {
  Window* w = tree_.find(edit);
  if (!w || w->kind != WidgetKind::Edit) return;
  const std::string added = w->multi_line ? crlf_to_lf(to_utf8(gbk)) : to_utf8(gbk);
  const int64_t most = clamp_to_int64(limit), keep = clamp_to_int64(std::min(limit, trim_to));
  if (w->log_bytes < 0) w->log_bytes = gbk_length(page::text(edit), w->multi_line);
  page::append(edit, added);
  w->log_bytes += gbk_length(added, w->multi_line);
  if (w->log_bytes > most) {
    const std::string all = page::text(edit);
    const int64_t excess = w->log_bytes - keep;
    // Whole lines while the last line is left; the last one loses its beginning.
    int64_t dropped = 0;
    size_t cut = 0;
    for (size_t nl; dropped < excess && (nl = all.find('\n', cut)) != std::string::npos;) {
      dropped += gbk_length(std::string_view(all).substr(cut, nl + 1 - cut), w->multi_line);
      cut = nl + 1;
    }
    std::string_view rest = std::string_view(all).substr(cut);
    int64_t units = 0;
    for (size_t i = 0; i < cut;) {  // UTF-16 units of the whole lines dropped
      const auto b = static_cast<unsigned char>(all[i]);
      const int len = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
      units += len == 4 ? 2 : 1;
      i += len;
    }
    if (dropped < excess) {
      const int64_t more = units_holding(rest, excess - dropped, w->multi_line);
      dropped += gbk_offset(rest, more, w->multi_line);
      units += more;
    }
    page::drop_front(edit, static_cast<int>(units));
    w->log_bytes -= dropped;
  }
  page::scroll_caret(edit);
  notify(edit, Notify::Changed);
}

void WebBackend::combo_add_item(Handle combo, std::string_view gbk) {
  const Window* w = tree_.find(combo);
  if (!w || w->kind != WidgetKind::ComboBox) return;
  int at = -1;
  if (w->sorted) {  // after every item that sorts before or equal, by GBK bytes
    const int n = page::combo_count(combo);
    at = 0;
    while (at < n && to_gbk(page::combo_item(combo, at)) <= gbk) ++at;
  }
  page::combo_insert(combo, at, to_utf8(gbk));
}

int WebBackend::combo_count(Handle combo) const { return tree_.find(combo) ? page::combo_count(combo) : 0; }

std::string WebBackend::combo_item(Handle combo, int index) const {
  if (!tree_.find(combo) || index < 0 || index >= page::combo_count(combo)) return {};
  return to_gbk(page::combo_item(combo, index));
}

int WebBackend::combo_current(Handle combo) const {
  const Window* w = tree_.find(combo);
  if (!w || w->kind != WidgetKind::ComboBox || w->combo_edited) return -1;
  return page::combo_current(combo);
}

// An index outside the items clears the selection and the field; a valid one shows the
// item's text, selected.
void WebBackend::combo_set_current(Handle combo, int index) {
  Window* w = tree_.find(combo);
  if (!w || w->kind != WidgetKind::ComboBox) return;
  w->combo_edited = false;
  page::combo_select(combo, index);
  page::set_selection(combo, 0, 1 << 30);  // all of it: the page clamps to the text
}

void WebBackend::ip_set(Handle ip, const uint8_t parts[4]) {
  if (tree_.find(ip)) page::ip_set(ip, parts);
}

void WebBackend::ip_clear(Handle ip) {
  if (tree_.find(ip)) page::ip_clear(ip);
}

bool WebBackend::ip_blank(Handle ip) const { return !tree_.find(ip) || page::ip_blank(ip); }

void WebBackend::ip_get(Handle ip, uint8_t parts[4]) const {
  if (tree_.find(ip)) {
    page::ip_get(ip, parts);
    return;
  }
  for (int i = 0; i < 4; ++i) parts[i] = 0;
}

void WebBackend::label_set_style(Handle label, const LabelStyle& style) {
  const Window* w = tree_.find(label);
  if (w && w->kind == WidgetKind::Label) page::label_style(label, label_style_json(style));
}

}  // namespace platform::web
