// The label control: a window that paints its own caption, background, optional painted
// frame and text effect from a LabelStyle.
#pragma once

#include <QFrame>
#include <QString>

#include "platform/window_types.h"

namespace platform::qt {

class LabelWidget final : public QFrame {
 public:
  explicit LabelWidget(QWidget* parent);
  void set_label_style(const LabelStyle& style);
  const LabelStyle& label_style() const { return style_; }
  void set_caption(const QString& caption);
  const QString& caption() const { return caption_; }
  // The label's own rectangle in its parent. A single-line, left-aligned caption wider than
  // it is not cut off: the window grows to the right to show it, as text drawn without
  // clipping would; the logical rectangle stays what the form gave.
  void set_logical_geometry(const QRect& rect);
  const QRect& logical_geometry() const { return logical_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QRect paint_frame(QPainter& painter, QRect rect) const;
  void paint_caption(QPainter& painter, QRect rect) const;

  void refit();

  LabelStyle style_;
  QString caption_;
  QRect logical_;
  bool has_logical_ = false;
};

// Drawing flags for a caption: horizontal alignment, then either word wrap from the top or
// a single line placed by the vertical alignment. Exposed for tests.
int caption_flags(const LabelStyle& style);

}  // namespace platform::qt
