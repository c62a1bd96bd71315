#include "base/operation_log.h"

#include "platform/codepage.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace orvalto {

OperationLog::OperationLog(QString folder, Relogio clock) : folder_(std::move(folder)), clock_(std::move(clock)) {}

QString OperationLog::fileFor(const QDate& day) const {
  return QDir(folder_).filePath(QStringLiteral("ATLZ") + day.toString(QStringLiteral("ddMMyyyy")) + ".log");
}

QByteArray OperationLog::formatLine(const QDateTime& when, const QString& mensagem) {
  // The file used to be read back and rewritten as a list of lines, which
  // turned every lone CR or LF inside a message into CR LF; appending the
  // normalised text gives the same bytes.
  static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
  QString text = mensagem;
  text.replace(lineBreak, QStringLiteral("\r\n"));
  const QString stamp = when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
  return toCp1252(stamp + " - " + text + "\r\n");
}

void OperationLog::PGravaLog(const QString& mensagem, NivelLog nivel) {
  // The journal first: it still hears of a line the file cannot take.
  if (diario_) escreveLinhaErro(stderr, true, nivelDaLinha(nivel, mensagem), mensagem);
  const QDateTime now = clock_();
  const QString path = fileFor(now.date());
  const bool novoDia = !QFile::exists(path);
  QFile file(path);
  // Appending writes the same bytes as rewriting the day's lines, costs the
  // same whatever the file's size, and can never lose the earlier lines.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
    throw LogWriteError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()).toStdString());
  const QByteArray line = formatLine(now, mensagem);
  if (file.write(line) != line.size() || !file.flush())
    throw LogWriteError(QStringLiteral("Cannot write file \"%1\". %2").arg(path, file.errorString()).toStdString());
  file.close();
  if (novoDia && diasRetencao_ > 0) apagaAntigos(now.date());
}

void OperationLog::apagaAntigos(const QDate& hoje) const {
  static const QRegularExpression nomeDoDia(QStringLiteral("^ATLZ(\\d{8})\\.log$"));
  const QDate limite = hoje.addDays(-diasRetencao_);
  QDir pasta(folder_);
  for (const QString& nome : pasta.entryList({QStringLiteral("ATLZ*.log")}, QDir::Files)) {
    const QRegularExpressionMatch m = nomeDoDia.match(nome);
    if (!m.hasMatch()) continue;
    const QDate dia = QDate::fromString(m.captured(1), QStringLiteral("ddMMyyyy"));
    // A file that cannot go now goes at the first line of another day.
    if (dia.isValid() && dia < limite) pasta.remove(nome);
  }
}

}  // namespace orvalto
