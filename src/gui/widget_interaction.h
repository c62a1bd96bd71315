#pragma once
// The interaction of the desktop program: Qt message boxes, questions,
// balloons on the tray icon and the update engine's progress panel.
#include "base/interaction.h"

#include <QSystemTrayIcon>

#include <memory>

namespace orvalto {

class JanelaDescompactacao;
class PainelProgresso;

// One balloon as the tray icon gets it.
struct BalaoBandeja {
  QString titulo;  // at most 63 characters
  QString texto;   // at most 255 characters
  QSystemTrayIcon::MessageIcon icone = QSystemTrayIcon::NoIcon;
  int milissegundos = 0;
};

// Kind 1 information, 2 warning, 3 error, anything else no icon.
BalaoBandeja preparaBalao(const QString& titulo, const QString& texto, int tipo, int segundos);

class WidgetInteraction : public Interaction {
 public:
  WidgetInteraction();
  ~WidgetInteraction() override;

  void setTrayIcon(QSystemTrayIcon* icon) { tray_ = icon; }

  void showMessage(MessageIcon icon, const QString& caption, const QString& text) override;
  bool askYesNo(const QString& caption, const QString& text, bool safeAnswer) override;
  void showBalloon(const QString& title, const QString& text, int kind, int seconds) override;
  QString pickFolder(const QString& caption, const QString& start) override;

  // progressShow(caption) shows the panel with the stage caption;
  // progressUpdate moves its gauge (bytes) and, with a detail, sets the bar
  // of "|"; progressHide hides and empties it.
  void progressShow(const QString& caption) override;
  void progressUpdate(qint64 done, qint64 total, const QString& detail) override;
  void progressHide() override;

  // The extraction window, created when first shown.
  void extractionShow(const QString& archive) override;
  void extractionUpdate(int position, const QString& bar) override;
  void extractionHide() override;

  PainelProgresso& painel();
  JanelaDescompactacao& janelaDescompactacao();
  const BalaoBandeja& ultimoBalao() const { return ultimoBalao_; }

 private:
  QSystemTrayIcon* tray_ = nullptr;
  std::unique_ptr<PainelProgresso> painel_;
  std::unique_ptr<JanelaDescompactacao> descompactacao_;
  BalaoBandeja ultimoBalao_;
};

}  // namespace orvalto
