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

void HeadlessInteraction::emitLine(const QString& line) {
  std::fprintf(err_, "%s\n", line.toUtf8().constData());
  std::fflush(err_);
  if (!log_) return;
  try {
    log_->PGravaLog(line);
  } catch (const std::exception& e) {
    std::fprintf(err_, "Log: %s\n", e.what());
  }
}

void HeadlessInteraction::showMessage(MessageIcon, const QString& caption, const QString& text) {
  emitLine(oneLine(caption, text));
}

bool HeadlessInteraction::askYesNo(const QString& caption, const QString& text, bool safeAnswer) {
  emitLine(oneLine(caption, text) + (safeAnswer ? " [Sim]" : " [Não]"));
  return safeAnswer;
}

void HeadlessInteraction::showBalloon(const QString& title, const QString& text, int, int) {
  // Balloons are frequent and say what the log already says: standard
  // error only.
  std::fprintf(err_, "%s\n", oneLine(balloonTitle(title), balloonText(text)).toUtf8().constData());
  std::fflush(err_);
}

void HeadlessInteraction::extractionShow(const QString& archive) {
  if (!log_) return;
  try {
    log_->PGravaLog("Descompactando arquivos: " + archive);
  } catch (const std::exception& e) {
    std::fprintf(err_, "Log: %s\n", e.what());
  }
}

QString HeadlessInteraction::pickFolder(const QString& caption, const QString&) {
  emitLine(caption + ": nenhuma pasta escolhida (sem janelas)");
  return {};
}

}  // namespace orvalto
