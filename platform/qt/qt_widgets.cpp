// QtBackend: each kind of window as a widget: made (its signals wired to notifications),
// placed, reparented, its text, font and showing.
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextOption>
#include <QWidget>

#include "platform/qt/qt_backend.h"
#include "platform/qt/qt_backend_state.h"
#include "platform/qt/qt_colours.h"
#include "platform/qt/qt_fonts.h"
#include "platform/qt/qt_ip_control.h"
#include "platform/qt/qt_label.h"
#include "platform/qt/qt_text.h"

namespace platform::qt {
namespace {

Qt::Alignment horizontal(int align) {
  return align == 1 ? Qt::AlignHCenter : align == 2 ? Qt::AlignRight : Qt::AlignLeft;
}

void set_colours(QWidget& w, Colour text, Colour background) {
  QPalette p = w.palette();
  p.setColor(QPalette::Text, to_qcolor(text, p));
  p.setColor(QPalette::Base, to_qcolor(background, p));
  w.setPalette(p);
}

QWidget* make_frame(const CreateParams& p) {
  Qt::WindowFlags flags = Qt::Window;
  if (p.frame.border == 3 || p.frame.border == 4 || !p.frame.show_in_taskbar) flags = Qt::Tool;
  if (p.frame.border == 0) {
    flags |= Qt::FramelessWindowHint;
  } else {
    flags |= Qt::CustomizeWindowHint;
    if (p.frame.caption || p.frame.system_menu) flags |= Qt::WindowTitleHint;
    if (p.frame.system_menu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (p.frame.minimise_box) flags |= Qt::WindowMinimizeButtonHint;
    if (p.frame.maximise_box && p.frame.resizable()) flags |= Qt::WindowMaximizeButtonHint;
  }
  if (p.frame.always_on_top) flags |= Qt::WindowStaysOnTopHint;
  auto* frame = new QWidget(nullptr, flags);
  frame->setWindowTitle(from_gbk(p.text));
  if (!p.frame.icon_ico.empty()) {
    QPixmap icon;
    const auto* bytes = reinterpret_cast<const uchar*>(p.frame.icon_ico.data());
    if (icon.loadFromData(bytes, static_cast<uint>(p.frame.icon_ico.size()), "ICO")) frame->setWindowIcon(QIcon(icon));
  }
  return frame;
}

QLineEdit* make_line_edit(const CreateParams& p, QWidget* parent) {
  auto* e = new QLineEdit(parent);
  e->setFrame(p.edit.border != 0);
  e->setAlignment(horizontal(p.edit.alignment) | Qt::AlignVCenter);
  e->setReadOnly(p.edit.read_only);
  if (p.edit.max_length > 0) e->setMaxLength(p.edit.max_length);
  if (p.edit.password) {
    e->setEchoMode(QLineEdit::Password);
    const auto mask = static_cast<unsigned char>(p.edit.password_char ? p.edit.password_char : '*');
    e->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: %1 }").arg(mask));
  }
  set_colours(*e, p.edit.text_colour, p.edit.background);
  e->setText(from_gbk(p.text));
  e->setCursorPosition(0);
  return e;
}

QPlainTextEdit* make_text_edit(const CreateParams& p, QWidget* parent) {
  auto* e = new QPlainTextEdit(parent);
  apply_edge(*e, p.edit.border);
  e->setReadOnly(p.edit.read_only);
  e->setTabChangesFocus(true);
  const bool hbar = p.edit.scroll_bars & 1, vbar = p.edit.scroll_bars & 2;
  e->setHorizontalScrollBarPolicy(hbar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  e->setVerticalScrollBarPolicy(vbar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  e->setLineWrapMode(hbar ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
  QTextOption option = e->document()->defaultTextOption();
  option.setAlignment(horizontal(p.edit.alignment));
  e->document()->setDefaultTextOption(option);
  set_colours(*e, p.edit.text_colour, p.edit.background);
  e->setPlainText(crlf_to_lf(from_gbk(p.text)));
  return e;
}

QComboBox* make_combo(const CreateParams& p, QWidget* parent) {
  auto* c = new QComboBox(parent);
  c->setEditable(p.combo.style != 2);
  c->setInsertPolicy(QComboBox::NoInsert);  // Enter never adds the typed text as an item
  c->setDuplicatesEnabled(true);
  c->setMaxVisibleItems(10);
  if (QLineEdit* edit = c->lineEdit()) {
    c->setCompleter(nullptr);  // typed text is never completed from the items
    // Nor does the field's text select the item it matches when editing ends: the
    // selection comes only from the list or the program.
    QObject::disconnect(edit, &QLineEdit::editingFinished, c, nullptr);
    if (p.combo.max_length > 0) edit->setMaxLength(p.combo.max_length);
    edit->setText(from_gbk(p.text));
  }
  set_colours(*c, p.combo.text_colour, p.combo.background);
  return c;
}

QGroupBox* make_group(const CreateParams& p, QWidget* parent) {
  auto* g = new QGroupBox(from_gbk(p.text), parent);
  QPalette pal = g->palette();
  pal.setColor(QPalette::WindowText, to_qcolor(p.group.text_colour, pal));
  if (p.group.background != kButtonFace) {
    pal.setColor(QPalette::Window, to_qcolor(p.group.background, pal));
    g->setAutoFillBackground(true);
  }
  g->setPalette(pal);
  g->setFocusPolicy(Qt::NoFocus);
  return g;
}

Qt::FocusPolicy focus_policy(WidgetKind kind, bool tab_stop) {
  if (kind == WidgetKind::Label || kind == WidgetKind::GroupBox) return Qt::NoFocus;
  return tab_stop ? Qt::StrongFocus : Qt::ClickFocus;
}

QWidget* container_widget(QtBackendState& state, Handle parent) {
  const Window* w = state.find(parent);
  return w ? w->widget : nullptr;
}

void centre(Window& w) {
  const QScreen* screen = w.widget->screen();
  if (!screen) return;
  const QRect area = screen->geometry();
  const QSize outer = w.widget->frameGeometry().size();
  w.widget->move(area.left() + (area.width() - outer.width()) / 2, area.top() + (area.height() - outer.height()) / 2);
}

// Frames take the client size, placed at the given outer position (or centred on the
// screen). A drop-down combo box is given the height of its closed field: the height it is
// created with also covers its list.
void apply_geometry(Window& w, Geometry g) {
  if (!w.widget) return;
  QWidget* widget = w.widget;
  const int width = std::max(g.width, 0), height = std::max(g.height, 0);
  if (w.kind == WidgetKind::Frame) {
    if (w.fixed_size) widget->setFixedSize(width, height);
    else widget->resize(width, height);
    widget->move(g.left, g.top);
    if (w.centre_on_screen) centre(w);
    return;
  }
  if (w.combo && w.combo_style != 0) {
    const int closed = widget->fontMetrics().height() + 6;
    widget->setGeometry(g.left, g.top, width, std::min(height, closed));
    return;
  }
  if (w.label) {
    w.label->set_logical_geometry(QRect(g.left, g.top, width, height));
    return;
  }
  widget->setGeometry(g.left, g.top, width, height);
}

// Notifications from the controls' own signals. Each looks its window up again, so a
// signal that arrives after the window was destroyed is dropped.
void wire(QtBackendState& state, Window& w) {
  const Handle h = w.handle;
  QtBackendState* s = &state;
  auto changed = [s, h] {
    const Window* now = s->find(h);
    if (now && now->changed_mute == 0) s->notify(h, Notify::Changed);
  };
  if (w.line) QObject::connect(w.line, &QLineEdit::textChanged, w.line, changed);
  if (w.plain) QObject::connect(w.plain, &QPlainTextEdit::textChanged, w.plain, changed);
  if (w.combo && w.combo->lineEdit())
    QObject::connect(w.combo->lineEdit(), &QLineEdit::textEdited, w.combo, [s, h] {
      const Window* now = s->find(h);
      if (now && now->changed_mute == 0) s->notify(h, Notify::Edited);  // not the program's replace
    });
  if (w.combo)
    QObject::connect(w.combo, &QComboBox::activated, w.combo, [s, h] {
      if (s->find(h)) s->notify(h, Notify::Chosen);
    });
  if (w.ip) w.ip->on_edited = changed;
  if (w.button)
    QObject::connect(w.button, &QPushButton::clicked, w.button, [s, h] {
      if (s->find(h)) s->notify(h, Notify::Clicked);
    });
}

}  // namespace

Handle QtBackend::create(const CreateParams& p) {
  if (p.parent != 0 && !state_->find(p.parent)) return 0;
  QWidget* parent = container_widget(*state_, p.parent);
  auto record = std::make_unique<Window>();
  Window& w = *record;
  w.take(p);
  switch (p.kind) {
    case WidgetKind::Frame:
      w.widget = make_frame(p);
      break;
    case WidgetKind::Edit:
      if (p.edit.multi_line) w.widget = w.plain = make_text_edit(p, parent);
      else w.widget = w.line = make_line_edit(p, parent);
      break;
    case WidgetKind::Button:
      w.widget = w.button = new QPushButton(from_gbk(p.text), parent);
      w.button->setDefault(p.button.default_button);
      w.button->setAutoDefault(false);
      break;
    case WidgetKind::ComboBox:
      w.widget = w.combo = make_combo(p, parent);
      break;
    case WidgetKind::GroupBox:
      w.widget = w.group = make_group(p, parent);
      break;
    case WidgetKind::Label:
      w.widget = w.label = new LabelWidget(parent);
      w.label->set_label_style(p.label);
      w.label->set_caption(from_gbk(p.text));
      break;
    case WidgetKind::IpAddress:
      w.widget = w.ip = new IpAddressWidget(parent);
      break;
    case WidgetKind::Hidden:
      w.object = new QObject();
      break;
  }
  if (!w.widget) return state_->keep(std::move(record), w.object);
  w.object = w.widget;
  QWidget* widget = w.widget;
  if (p.font) widget->setFont(to_qfont(*p.font));
  const Qt::FocusPolicy policy = focus_policy(p.kind, p.tab_stop);
  if (w.ip) {
    for (int i = 0; i < 4; ++i) w.ip->field(i)->setFocusPolicy(policy);
  } else if (p.kind != WidgetKind::Frame) {
    widget->setFocusPolicy(policy);
  }
  widget->setEnabled(w.enabled);
  const Handle h = state_->keep(std::move(record), w.object);
  if (h == 0) return 0;
  wire(*state_, w);
  apply_geometry(w, p.geometry);
  widget->setVisible(p.visible);  // a frame is activated only by show_frame
  return h;
}

// Qt hides a widget that changes parent; it is shown again if it was visible.
void QtBackend::reparent_native(WindowRecord& record) {
  auto& w = static_cast<Window&>(record);
  if (!w.widget) return;
  const QPoint pos = w.widget->pos();
  WindowBookkeeping::MutedFocus muted(*state_);
  w.widget->setParent(container_widget(*state_, w.parent));
  w.widget->move(pos);
  w.widget->setVisible(w.visible);
}

Geometry QtBackend::geometry(Handle window) const {
  const Window* w = state_->find(window);
  if (!w || !w->widget) return {};
  if (w->label) {
    const QRect r = w->label->logical_geometry();
    return {r.x(), r.y(), r.width(), r.height()};
  }
  const QPoint pos = w->widget->pos();
  return {pos.x(), pos.y(), w->widget->width(), w->widget->height()};
}

void QtBackend::set_geometry(Handle window, Geometry g) {
  if (Window* w = state_->find(window)) apply_geometry(*w, g);
}

std::string QtBackend::text(Handle window) const {
  const Window* w = state_->find(window);
  if (!w) return {};
  switch (w->kind) {
    case WidgetKind::Frame: return to_gbk(w->widget->windowTitle());
    case WidgetKind::Edit: return w->line ? to_gbk(w->line->text()) : to_gbk(lf_to_crlf(w->plain->toPlainText()));
    case WidgetKind::Button: return to_gbk(w->button->text());
    case WidgetKind::ComboBox: return to_gbk(w->combo->currentText());
    case WidgetKind::GroupBox: return to_gbk(w->group->title());
    case WidgetKind::Label: return to_gbk(w->label->caption());
    case WidgetKind::IpAddress: {
      uint8_t p[4];
      w->ip->address(p);
      return ip_address_text(w->ip->blank(), p);
    }
    case WidgetKind::Hidden: return w->hidden_text;
  }
  return {};
}

// An edit box reports one Changed for every text it is given, even an equal one, with the
// caret at the start; a combo box's field reports none, as with the native controls.
void QtBackend::set_text(Handle window, std::string_view gbk) {
  Window* w = state_->find(window);
  if (!w) return;
  const QString text = from_gbk(gbk);
  switch (w->kind) {
    case WidgetKind::Frame: w->widget->setWindowTitle(text); return;
    case WidgetKind::Button: w->button->setText(text); return;
    case WidgetKind::GroupBox: w->group->setTitle(text); return;
    case WidgetKind::Label: w->label->set_caption(text); return;
    case WidgetKind::Hidden: w->hidden_text.assign(gbk); return;
    case WidgetKind::IpAddress: return;  // addresses are set part by part
    case WidgetKind::ComboBox:
      if (w->combo->isEditable()) w->combo->setEditText(text);
      return;
    case WidgetKind::Edit: break;
  }
  ++w->changed_mute;
  if (w->line) {
    w->line->setText(text);
    w->line->setCursorPosition(0);
  } else {
    w->plain->setPlainText(crlf_to_lf(text));
  }
  --w->changed_mute;
  state_->notify(window, Notify::Changed);
}

void QtBackend::set_font(Handle window, const Font& font) {
  const Window* w = state_->find(window);
  if (w && w->widget) w->widget->setFont(to_qfont(font));
}

void QtBackend::show_frame_native(WindowRecord& record) {
  auto& w = static_cast<Window&>(record);
  WindowBookkeeping::MutedFocus muted(*state_);
  w.widget->show();
  if (w.centre_on_screen) centre(w);
  w.widget->activateWindow();
}

}  // namespace platform::qt
