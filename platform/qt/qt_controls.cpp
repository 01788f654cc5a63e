// QtBackend: edit selections, combo box items, IP addresses and label styles. Selection
// offsets cross the boundary as GBK byte offsets (CR LF counting two in multi-line boxes).
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstdint>

#include "platform/qt/qt_backend.h"
#include "platform/qt/qt_backend_state.h"
#include "platform/qt/qt_ip_control.h"
#include "platform/qt/qt_label.h"
#include "platform/qt/qt_text.h"

namespace platform::qt {
namespace {

// The single-line field of an edit box or of an editable combo box.
QLineEdit* line_of(const Window* w) {
  if (!w) return nullptr;
  if (w->line) return w->line;
  return w->combo ? w->combo->lineEdit() : nullptr;
}

}  // namespace

std::pair<int, int> QtBackend::edit_selection(Handle edit) const {
  const Window* w = state_->find(edit);
  if (QLineEdit* line = line_of(w)) {
    const QString text = line->text();
    const int start = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
    const int end = line->hasSelectedText() ? line->selectionEnd() : start;
    return {offset_of_position(text, start, false), offset_of_position(text, end, false)};
  }
  if (w && w->plain) {
    const QString text = w->plain->toPlainText();
    const QTextCursor c = w->plain->textCursor();
    return {offset_of_position(text, c.selectionStart(), true), offset_of_position(text, c.selectionEnd(), true)};
  }
  return {0, 0};
}

// As the native control: a start of -1 drops the selection and keeps the caret; an end of
// -1 means the end of the text; reversed bounds are swapped; everything is clamped.
void QtBackend::edit_set_selection(Handle edit, int start, int end) {
  const Window* w = state_->find(edit);
  QLineEdit* line = line_of(w);
  QPlainTextEdit* plain = w ? w->plain : nullptr;
  if (!line && !plain) return;
  const QString text = line ? line->text() : plain->toPlainText();
  const bool crlf = plain != nullptr;
  if (start < 0) {
    if (line) line->deselect();
    else {
      QTextCursor c = plain->textCursor();
      c.clearSelection();
      plain->setTextCursor(c);
    }
    return;
  }
  if (end < 0) end = gbk_length(text, crlf);
  if (start > end) std::swap(start, end);
  const int from = position_of_offset(text, start, crlf), to = position_of_offset(text, end, crlf);
  if (line) {
    line->setSelection(from, to - from);
    return;
  }
  QTextCursor c = plain->textCursor();
  c.setPosition(from);
  c.setPosition(to, QTextCursor::KeepAnchor);
  plain->setTextCursor(c);
}

// Replaces the selection (or inserts at the caret) and reports one Changed.
void QtBackend::edit_replace_selection(Handle edit, std::string_view gbk) {
  Window* w = state_->find(edit);
  QLineEdit* line = line_of(w);
  if (!line && !(w && w->plain)) return;
  const QString text = from_gbk(gbk);
  ++w->changed_mute;
  if (line) {
    line->insert(text);
  } else {
    QTextCursor c = w->plain->textCursor();
    c.insertText(crlf_to_lf(text));
    w->plain->setTextCursor(c);  // the caret follows the inserted text
  }
  --w->changed_mute;
  state_->notify(edit, Notify::Changed);
}

void QtBackend::edit_scroll_caret(Handle edit) {
  const Window* w = state_->find(edit);
  if (w && w->plain) w->plain->ensureCursorVisible();
}

namespace {

// Characters at the start of `line` to pass until `dropped`, which their GBK bytes are added
// to, reaches `bytes`; never half a surrogate pair.
qsizetype leading_chars(QStringView line, int64_t bytes, int64_t& dropped, bool crlf) {
  const int i = positions_holding(line, bytes - dropped, crlf);
  dropped += offset_of_position(line, i, crlf);
  return i;
}

// Where the first `bytes` bytes of the document end: after whole lines (blocks) while they
// fit, then at a character boundary inside the next. Reads only what it passes.
int cut_position(const QTextDocument& doc, int64_t bytes, int64_t& dropped) {
  QTextBlock block = doc.firstBlock();
  for (; block.next().isValid(); block = block.next()) {
    const int64_t line = gbk_length(block.text(), true) + 2;  // the line and its break
    if (dropped + line > bytes) break;
    dropped += line;
  }
  if (dropped >= bytes) return block.position();
  return block.position() + static_cast<int>(leading_chars(block.text(), bytes, dropped, true));
}

// The caret to the end of a multi-line box's text, in view.
void caret_to_end(QPlainTextEdit& box) {
  QTextCursor c = box.textCursor();
  c.movePosition(QTextCursor::End);
  box.setTextCursor(c);
  box.ensureCursorVisible();
}

}  // namespace

// Neither primitive keeps undo history: it would hold every burst ever shown.
size_t QtBackend::append_native(WindowRecord& record, std::string_view gbk) {
  auto& w = static_cast<Window&>(record);
  const QString text = from_gbk(gbk);
  int64_t added = 0;
  if (w.line) {  // a single-line box is never a log: measured whole
    const int64_t before = gbk_length(w.line->text(), false);
    w.line->end(false);
    w.line->insert(text);
    added = gbk_length(w.line->text(), false) - before;
  } else {
    QTextDocument& doc = *w.plain->document();
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    caret_to_end(*w.plain);
    const QString lines = crlf_to_lf(text);
    QTextCursor c = w.plain->textCursor();
    c.insertText(lines);
    added = gbk_length(lines, true);
    caret_to_end(*w.plain);
    doc.setUndoRedoEnabled(undo);
  }
  return static_cast<size_t>(std::max<int64_t>(added, 0));
}

size_t QtBackend::drop_front_native(WindowRecord& record, size_t bytes) {
  auto& w = static_cast<Window&>(record);
  const auto wanted = static_cast<int64_t>(std::min<uint64_t>(bytes, INT64_MAX));
  int64_t dropped = 0;
  if (w.line) {
    const QString all = w.line->text();
    w.line->setText(all.mid(leading_chars(all, wanted, dropped, false)));
    w.line->end(false);
  } else {
    QTextDocument& doc = *w.plain->document();
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    QTextCursor front(&doc);
    front.setPosition(cut_position(doc, wanted, dropped), QTextCursor::KeepAnchor);
    front.removeSelectedText();
    caret_to_end(*w.plain);
    doc.setUndoRedoEnabled(undo);
  }
  return static_cast<size_t>(dropped);
}

void QtBackend::insert_item_native(Handle combo, int index, std::string_view gbk) {
  const Window* w = state_->find(combo);
  if (w && w->combo) w->combo->insertItem(index, from_gbk(gbk));
}

int QtBackend::combo_count(Handle combo) const {
  const Window* w = state_->find(combo);
  return w && w->combo ? w->combo->count() : 0;
}

std::string QtBackend::combo_item(Handle combo, int index) const {
  const Window* w = state_->find(combo);
  if (!w || !w->combo || index < 0 || index >= w->combo->count()) return {};
  return to_gbk(w->combo->itemText(index));
}

int QtBackend::combo_current(Handle combo) const {
  const Window* w = state_->find(combo);
  return w && w->combo ? w->combo->currentIndex() : -1;
}

// An index outside the items clears the selection and the field; a valid one shows the
// item's text, selected.
void QtBackend::combo_set_current(Handle combo, int index) {
  Window* w = state_->find(combo);
  if (!w || !w->combo) return;
  if (index < 0 || index >= w->combo->count()) index = -1;
  w->combo->setCurrentIndex(index);
  if (QLineEdit* line = w->combo->lineEdit()) {
    if (index < 0) line->clear();
    line->selectAll();
  }
}

void QtBackend::ip_set(Handle ip, const uint8_t parts[4]) {
  const Window* w = state_->find(ip);
  if (w && w->ip) w->ip->set_address(parts);
}

void QtBackend::ip_clear(Handle ip) {
  const Window* w = state_->find(ip);
  if (w && w->ip) w->ip->clear_address();
}

bool QtBackend::ip_blank(Handle ip) const {
  const Window* w = state_->find(ip);
  return !w || !w->ip || w->ip->blank();
}

void QtBackend::ip_get(Handle ip, uint8_t parts[4]) const {
  const Window* w = state_->find(ip);
  if (w && w->ip) {
    w->ip->address(parts);
    return;
  }
  for (int i = 0; i < 4; ++i) parts[i] = 0;
}

void QtBackend::label_set_style(Handle label, const LabelStyle& style) {
  const Window* w = state_->find(label);
  if (w && w->label) w->label->set_label_style(style);
}

}  // namespace platform::qt
