#include "base/headless_interaction.h"

#include "base/operation_log.h"

#include <QRegularExpression>

namespace orvalto {

HeadlessInteraction::HeadlessInteraction(OperationLog* log, std::FILE* err) : log_(log), err_(err) {}

QString HeadlessInteraction::oneLine(const QString& caption, const QString& text) {
  static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
  QString flat = text;
  flat.replace(lineBreak, QStringLiteral(" / "));
  return caption + ": " + flat;
}

namespace {

NivelLog nivelDoIcone(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error: return NivelLog::Erro;
    case MessageIcon::Warning: return NivelLog::Aviso;
    default: return NivelLog::Informacao;
  }
}

}  // namespace

void HeadlessInteraction::emitLine(const QString& line, NivelLog nivel) {
  const bool diario = sobGerenciadorDeServicos();
  // A log that mirrors itself into the journal writes the line there.
  if (!log_ || !log_->espelhaNoDiario()) escreveLinhaErro(err_, diario, nivelDaLinha(nivel, line), line);
  if (!log_) return;
  try {
    log_->PGravaLog(line, nivel);
  } catch (const std::exception& e) {
    escreveLinhaErro(err_, diario, NivelLog::Erro, "Log: " + QString::fromUtf8(e.what()));
  }
}

void HeadlessInteraction::showMessage(MessageIcon icon, const QString& caption, const QString& text) {
  emitLine(oneLine(caption, text), nivelDoIcone(icon));
}

bool HeadlessInteraction::askYesNo(const QString& caption, const QString& text, bool safeAnswer) {
  emitLine(oneLine(caption, text) + (safeAnswer ? " [Sim]" : " [Não]"));
  return safeAnswer;
}

void HeadlessInteraction::showBalloon(const QString& title, const QString& text, int, int) {
  // Balloons are frequent and say what the log already says: standard
  // error only.
  escreveLinhaErro(err_, sobGerenciadorDeServicos(), NivelLog::Informacao,
                   oneLine(balloonTitle(title), balloonText(text)));
}

void HeadlessInteraction::extractionShow(const QString& archive) {
  if (!log_) return;
  try {
    log_->PGravaLog("Descompactando arquivos: " + archive);
  } catch (const std::exception& e) {
    escreveLinhaErro(err_, sobGerenciadorDeServicos(), NivelLog::Erro, "Log: " + QString::fromUtf8(e.what()));
  }
}

QString HeadlessInteraction::pickFolder(const QString& caption, const QString&) {
  emitLine(caption + ": nenhuma pasta escolhida (sem janelas)");
  return {};
}

}  // namespace orvalto
