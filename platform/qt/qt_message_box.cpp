// The modal message box: buttons from the style's low four bits, icon from bits 0x10-0x40,
// no owner window. The message queue keeps being dispatched while it is open (its event
// loop delivers the queue's wake-up events and the timers' ticks).
#include <QAbstractButton>
#include <QMessageBox>

#include "platform/qt/qt_backend.h"
#include "platform/qt/qt_text.h"

namespace platform::qt {
namespace {

struct ButtonSet {
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton escape;  // what closing the box answers
};

ButtonSet buttons_for(uint32_t style) {
  switch (style & 0xF) {
    case kMbOkCancel: return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel};
    case kMbAbortRetryIgnore: return {QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, QMessageBox::NoButton};
    case kMbYesNoCancel: return {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel};
    case kMbYesNo: return {QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton};
    case kMbRetryCancel: return {QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Cancel};
    default: return {QMessageBox::Ok, QMessageBox::Ok};
  }
}

QMessageBox::Icon icon_for(uint32_t style) {
  switch (style & 0xF0) {
    case 0x10: return QMessageBox::Critical;
    case 0x20: return QMessageBox::Question;
    case 0x30: return QMessageBox::Warning;
    case 0x40: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

int button_id(int pressed) {
  switch (pressed) {
    case QMessageBox::Ok: return kIdOk;
    case QMessageBox::Cancel: return kIdCancel;
    case QMessageBox::Abort: return kIdAbort;
    case QMessageBox::Retry: return kIdRetry;
    case QMessageBox::Ignore: return kIdIgnore;
    case QMessageBox::Yes: return kIdYes;
    case QMessageBox::No: return kIdNo;
    default: return 0;
  }
}

}  // namespace

int QtBackend::show_box_native(std::string_view text_gbk, std::string_view caption_gbk, uint32_t style) {
  const ButtonSet set = buttons_for(style);
  QMessageBox box(icon_for(style), from_gbk(caption_gbk), from_gbk(text_gbk), set.buttons);
  box.setWindowModality(Qt::ApplicationModal);
  if (set.escape != QMessageBox::NoButton) box.setEscapeButton(set.escape);
  box.exec();
  // Closed without a button (a box that was rejected some other way): the escape answer.
  QAbstractButton* clicked = box.clickedButton();
  return button_id(clicked ? box.standardButton(clicked) : set.escape);
}

}  // namespace platform::qt
