#pragma once
// The interaction of the desktop program: Qt message boxes, questions and
// balloons on the tray icon.
#include "app/interaction.h"

class QSystemTrayIcon;

namespace orvalto {

class WidgetInteraction : public Interaction {
 public:
  void setTrayIcon(QSystemTrayIcon* icon) { tray_ = icon; }

  void showMessage(MessageIcon icon, const QString& caption, const QString& text) override;
  bool askYesNo(const QString& caption, const QString& text, bool safeAnswer) override;
  void showBalloon(const QString& title, const QString& text, int kind, int seconds) override;

 private:
  QSystemTrayIcon* tray_ = nullptr;
};

}  // namespace orvalto
