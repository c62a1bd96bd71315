#include "gui/widget_interaction.h"

#include "gui/janela_descompactacao.h"
#include "gui/painel_progresso.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

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

BalaoBandeja preparaBalao(const QString& titulo, const QString& texto, int tipo, int segundos) {
  return {balloonTitle(titulo), balloonText(texto), balloonIcon(tipo), qMax(0, segundos) * 1000};
}

WidgetInteraction::WidgetInteraction() = default;
WidgetInteraction::~WidgetInteraction() = default;

void WidgetInteraction::showMessage(MessageIcon icon, const QString& caption, const QString& text) {
  QMessageBox box(boxIcon(icon), caption, displayText(text), QMessageBox::Ok);
  box.exec();
}

bool WidgetInteraction::askYesNo(const QString& caption, const QString& text, bool) {
  QMessageBox box(QMessageBox::Question, caption, displayText(text), QMessageBox::Yes | QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void WidgetInteraction::showBalloon(const QString& title, const QString& text, int kind, int seconds) {
  ultimoBalao_ = preparaBalao(title, text, kind, seconds);
  if (!tray_) return;
  tray_->showMessage(ultimoBalao_.titulo, ultimoBalao_.texto, ultimoBalao_.icone, ultimoBalao_.milissegundos);
}

QString WidgetInteraction::pickFolder(const QString& caption, const QString& start) {
  // Qt's own dialog offers "Create New Folder" on every desktop.
  return QFileDialog::getExistingDirectory(QApplication::activeWindow(), caption, start,
                                           QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

PainelProgresso& WidgetInteraction::painel() {
  if (!painel_) painel_ = std::make_unique<PainelProgresso>();
  return *painel_;
}

void WidgetInteraction::progressShow(const QString& caption) { painel().mostra(caption); }

void WidgetInteraction::progressUpdate(qint64 done, qint64 total, const QString& detail) {
  painel().atualiza(done, total, detail);
}

void WidgetInteraction::progressHide() {
  if (painel_) painel_->esconde();
}

JanelaDescompactacao& WidgetInteraction::janelaDescompactacao() {
  if (!descompactacao_) descompactacao_ = std::make_unique<JanelaDescompactacao>();
  return *descompactacao_;
}

void WidgetInteraction::extractionShow(const QString&) { janelaDescompactacao().mostra(); }

void WidgetInteraction::extractionUpdate(int position, const QString& bar) {
  janelaDescompactacao().atualiza(position, bar);
}

void WidgetInteraction::extractionHide() {
  if (descompactacao_) descompactacao_->esconde();
}

}  // namespace orvalto
