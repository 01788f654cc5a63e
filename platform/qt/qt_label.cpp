#include "platform/qt/qt_label.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <vector>

#include "platform/qt/qt_colours.h"

namespace platform::qt {

int caption_flags(const LabelStyle& style) {
  int flags = Qt::TextShowMnemonic;  // '&' marks a mnemonic, "&&" is a literal ampersand
  flags |= style.h_align == 1 ? Qt::AlignHCenter : style.h_align == 2 ? Qt::AlignRight : Qt::AlignLeft;
  if (style.word_wrap) return flags | Qt::TextWordWrap | Qt::AlignTop;
  flags |= Qt::TextSingleLine;
  return flags | (style.v_align == 1 ? Qt::AlignVCenter : style.v_align == 2 ? Qt::AlignBottom : Qt::AlignTop);
}

LabelWidget::LabelWidget(QWidget* parent) : QFrame(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);  // the whole client area is painted every time
  setFocusPolicy(Qt::NoFocus);
  set_label_style(style_);
}

void LabelWidget::set_label_style(const LabelStyle& style) {
  style_ = style;
  apply_edge(*this, style.border >= 1 && style.border <= 5 ? style.border : 0);
  refit();
  update();
}

void LabelWidget::set_caption(const QString& caption) {
  caption_ = caption;
  refit();
  update();
}

void LabelWidget::set_logical_geometry(const QRect& rect) {
  logical_ = rect;
  has_logical_ = true;
  refit();
}

void LabelWidget::changeEvent(QEvent* event) {
  QFrame::changeEvent(event);
  if (event->type() == QEvent::FontChange) refit();
}

// Only plain single-line, left-aligned captions grow; a frame, word wrap or another
// alignment keeps the label to its own rectangle.
void LabelWidget::refit() {
  if (!has_logical_) return;  // sized directly (tests): nothing to fit
  int width = logical_.width();
  const bool plain = style_.border == 0 && !style_.word_wrap && style_.h_align == 0;
  if (plain && !caption_.isEmpty()) {
    const int needed = fontMetrics().horizontalAdvance(QString(caption_).remove(QLatin1Char('&'))) + 2;
    width = std::max(width, needed);
  }
  setGeometry(logical_.x(), logical_.y(), width, logical_.height());
}

void LabelWidget::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);  // the edge styles 1-5
  QPainter painter(this);
  painter.setClipRect(event->rect());
  // The frame belongs to the logical rectangle; a grown label paints its overhang as
  // background and caption only.
  QRect own = contentsRect();
  if (has_logical_) own.setWidth(std::min(own.width(), logical_.width()));
  const QRect frame_inner = paint_frame(painter, own);
  QRect inner = frame_inner;
  if (has_logical_ && width() > logical_.width()) inner.setRight(contentsRect().right());
  painter.setClipRect(inner, Qt::IntersectClip);
  painter.fillRect(inner, to_qcolor(style_.background, palette()));
  if (!caption_.isEmpty()) paint_caption(painter, inner);
}

// The painted frame (border 6): concentric bands, one per usable colour, outermost first.
// Fewer than two usable colours paint no frame, and the drawing area keeps its size.
QRect LabelWidget::paint_frame(QPainter& painter, QRect rect) const {
  const int width = style_.frame_width;
  if (style_.border != 6 || width <= 0) return rect;
  std::vector<Colour> colours;
  for (Colour c : style_.frame_colours)
    if (c != kButtonFace) colours.push_back(c);
  if (colours.size() < 2) return rect;
  const int n = static_cast<int>(colours.size());
  QRect band = rect;
  for (int i = 0; i < n; ++i) {
    painter.fillRect(band, to_qcolor(colours[static_cast<size_t>(i)], palette()));
    const int step = width * (i + 1) / n - width * i / n;
    band.adjust(step, step, -step, -step);
  }
  return rect.adjusted(width, width, -width, -width);
}

// Text effects: 1 sunken (white copy one pixel right and down), 2 raised (white copy in
// place, the caption itself one pixel right and down), 3 shadow (black copy two pixels
// right and down); then the caption in the text colour.
void LabelWidget::paint_caption(QPainter& painter, QRect rect) const {
  painter.setFont(font());
  const int flags = caption_flags(style_);
  auto draw = [&](const QRect& r, const QColor& colour) {
    painter.setPen(colour);
    painter.drawText(r, flags, caption_);
  };
  switch (style_.text_effect) {
    case 1: draw(rect.translated(1, 1), Qt::white); break;
    case 2: draw(rect, Qt::white); rect.translate(1, 1); break;
    case 3: draw(rect.translated(2, 2), Qt::black); break;
    default: break;
  }
  draw(rect, to_qcolor(style_.text_colour, palette()));
}

}  // namespace platform::qt
