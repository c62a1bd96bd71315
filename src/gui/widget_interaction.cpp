#include "gui/widget_interaction.h"

#include <QMessageBox>
#include <QSystemTrayIcon>

namespace orvalto {
namespace {

QMessageBox::Icon boxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Error: return QMessageBox::Critical;
    default: return QMessageBox::NoIcon;
  }
}

// The messages use a lone CR as their line break.
QString displayText(QString text) { return text.replace("\r\n", "\n").replace('\r', '\n'); }

QSystemTrayIcon::MessageIcon balloonIcon(int kind) {
  switch (kind) {
    case 1: return QSystemTrayIcon::Information;
    case 2: return QSystemTrayIcon::Warning;
    case 3: return QSystemTrayIcon::Critical;
    default: return QSystemTrayIcon::NoIcon;
  }
}

}  // namespace

void WidgetInteraction::showMessage(MessageIcon icon, const QString& caption, const QString& text) {
  QMessageBox box(boxIcon(icon), caption, displayText(text), QMessageBox::Ok);
  box.exec();
}

bool WidgetInteraction::askYesNo(const QString& caption, const QString& text, bool) {
  QMessageBox box(QMessageBox::Question, caption, displayText(text), QMessageBox::Yes | QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void WidgetInteraction::showBalloon(const QString& title, const QString& text, int kind, int seconds) {
  if (!tray_) return;
  tray_->showMessage(balloonTitle(title), balloonText(text), balloonIcon(kind), seconds * 1000);
}

}  // namespace orvalto
