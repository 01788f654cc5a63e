#include "platform/qt/qt_ip_control.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "platform/qt/qt_colours.h"

namespace platform::qt {

IpAddressWidget::IpAddressWidget(QWidget* parent) : QFrame(parent) {
  apply_edge(*this, 1);
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
  auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
  for (size_t i = 0; i < fields_.size(); ++i) {
    auto* f = new QLineEdit(this);
    f->setFrame(false);
    f->setAlignment(Qt::AlignCenter);
    f->setMaxLength(3);
    f->setValidator(digits);
    f->installEventFilter(this);
    const int index = static_cast<int>(i);
    QObject::connect(f, &QLineEdit::textEdited, this, [this, index](const QString& text) {
      if (text.size() == 3 && index < 3) move_to(index + 1, false);  // a full field moves on
      if (on_edited) on_edited();
    });
    QObject::connect(f, &QLineEdit::editingFinished, this, [this, index] { clamp_field(index); });
    fields_[i] = f;
  }
  for (auto& dot : dots_) {
    dot = new QLabel(QStringLiteral("."), this);
    dot->setAlignment(Qt::AlignCenter);
  }
  setFocusProxy(fields_[0]);
}

void IpAddressWidget::set_address(const uint8_t parts[4]) {
  for (size_t i = 0; i < fields_.size(); ++i) fields_[i]->setText(QString::number(parts[i]));
}

void IpAddressWidget::clear_address() {
  for (auto* f : fields_) f->clear();
}

bool IpAddressWidget::blank() const {
  for (auto* f : fields_)
    if (!f->text().isEmpty()) return false;
  return true;
}

void IpAddressWidget::address(uint8_t parts[4]) const {
  for (size_t i = 0; i < fields_.size(); ++i) {
    const int v = fields_[i]->text().toInt();  // empty (no digits) reads as 0
    parts[i] = static_cast<uint8_t>(v > 255 ? 255 : v < 0 ? 0 : v);
  }
}

int IpAddressWidget::index_of(QObject* field) const {
  for (size_t i = 0; i < fields_.size(); ++i)
    if (fields_[i] == field) return static_cast<int>(i);
  return -1;
}

void IpAddressWidget::clamp_field(int index) {
  QLineEdit* f = field(index);
  if (!f->text().isEmpty() && f->text().toInt() > 255) f->setText(QStringLiteral("255"));
}

void IpAddressWidget::move_to(int index, bool caret_at_end) {
  if (index < 0 || index > 3) return;
  QLineEdit* f = field(index);
  f->setFocus(Qt::OtherFocusReason);
  if (caret_at_end) f->end(false);
  else f->selectAll();
}

// A dot or blank moves to the next field; Backspace in an empty field and Left at the start
// go back; Right at the end goes on. Everything else is the field's own.
bool IpAddressWidget::eventFilter(QObject* watched, QEvent* event) {
  const int index = index_of(watched);
  if (index < 0 || event->type() != QEvent::KeyPress) return QFrame::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  QLineEdit* f = field(index);
  if (key->text() == QStringLiteral(".") || key->text() == QStringLiteral(" ")) {
    clamp_field(index);
    if (!f->text().isEmpty()) move_to(index + 1, false);
    return true;
  }
  if ((key->key() == Qt::Key_Backspace && f->text().isEmpty()) ||
      (key->key() == Qt::Key_Left && f->cursorPosition() == 0 && !f->hasSelectedText())) {
    move_to(index - 1, true);
    return index > 0;
  }
  if (key->key() == Qt::Key_Right && f->cursorPosition() == f->text().size() && !f->hasSelectedText()) {
    move_to(index + 1, false);
    return index < 3;
  }
  return false;
}

void IpAddressWidget::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  lay_out();
}

void IpAddressWidget::lay_out() {
  const QRect r = contentsRect();
  const int dot_w = 4;
  const int field_w = (r.width() - 3 * dot_w) / 4;
  int x = r.left();
  for (size_t i = 0; i < fields_.size(); ++i) {
    fields_[i]->setGeometry(x, r.top(), field_w, r.height());
    x += field_w;
    if (i < dots_.size()) {
      dots_[i]->setGeometry(x, r.top(), dot_w, r.height());
      x += dot_w;
    }
  }
}

}  // namespace platform::qt
