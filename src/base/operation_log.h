#pragma once
// The daily operation log: ATLZDDMMYYYY.log beside the executable, one line
// per event, "dd/mm/yyyy HH:MM:SS - message", CR LF, Windows-1252. Under
// the service manager each line also goes to the journal, and the files of
// days older than the retention are removed when a new day begins.
#include "base/relogio.h"
#include "platform/diario_servico.h"

#include <QDateTime>
#include <QString>

#include <stdexcept>

namespace orvalto {

class LogWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class OperationLog {
 public:
  // `folder` is the executable's folder; `clock` gives the local time of a
  // call (tests move it across midnight).
  explicit OperationLog(QString folder, Relogio clock = &QDateTime::currentDateTime);

  // Appends one line to the file of the day. Throws LogWriteError when the
  // file cannot be written; earlier lines are never touched. `nivel` is the
  // line's level in the journal.
  void PGravaLog(const QString& mensagem, NivelLog nivel = NivelLog::Informacao);

  // Every line also goes to standard error with the journal's level prefix.
  void espelhaNoDiario(bool sim) { diario_ = sim; }
  bool espelhaNoDiario() const { return diario_; }
  // The first line of a day removes the day files older than `dias` days
  // (0 keeps them all, as a log made without this call does).
  void defineRetencao(int dias) { diasRetencao_ = dias; }

  QString fileFor(const QDate& day) const;
  const QString& folder() const { return folder_; }

  // The exact bytes of one line, line break included.
  static QByteArray formatLine(const QDateTime& when, const QString& mensagem);

 private:
  void apagaAntigos(const QDate& hoje) const;

  QString folder_;
  Relogio clock_;
  bool diario_ = false;
  int diasRetencao_ = 0;
};

}  // namespace orvalto
