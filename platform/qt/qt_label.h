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

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect paint_frame(QPainter& painter, QRect rect) const;
  void paint_caption(QPainter& painter, QRect rect) const;

  LabelStyle style_;
  QString caption_;
};

// Drawing flags for a caption: horizontal alignment, then either word wrap from the top or
// a single line placed by the vertical alignment. Exposed for tests.
int caption_flags(const LabelStyle& style);

}  // namespace platform::qt
