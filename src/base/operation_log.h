#pragma once
// The daily operation log: ATLZDDMMYYYY.log beside the executable, one line
// per event, "dd/mm/yyyy HH:MM:SS - message", CR LF, Windows-1252.
#include "base/relogio.h"

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
  // file cannot be written; earlier lines are never touched.
  void PGravaLog(const QString& mensagem);

  QString fileFor(const QDate& day) const;
  const QString& folder() const { return folder_; }

  // The exact bytes of one line, line break included.
  static QByteArray formatLine(const QDateTime& when, const QString& mensagem);

 private:
  QString folder_;
  Relogio clock_;
};

}  // namespace orvalto
