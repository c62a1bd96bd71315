#pragma once
// Firebird's backup lock. While it is held the server leaves the main
// database file as it was when the lock was taken and sends every page
// write to a delta file, so a copy of the main file taken meanwhile is
// consistent whoever attaches and writes. The copy carries the lock's mark
// in its header; liberaTravaNaCopia clears it (the one change nbackup -F
// makes), so that the server opens the copy as a database of its own.
// Taking the lock needs SYSDBA or the database's owner.
#include "db/firebird_connection.h"

#include <QString>

#include <functional>

namespace orvalto {

class TravaBackup {
 public:
  // ALTER DATABASE BEGIN BACKUP on a connection of its own, committed. A
  // lock found held (a copy that was stopped) is ended first and told to
  // `avisaFalha`. Throws DbError (a user without the right).
  TravaBackup(const QString& location, const QString& user, const QString& password,
              std::function<void(const QString&)> avisaFalha = {});
  // Releases the lock when libera() has not: on every way out of the copy.
  // A failure is told to `avisaFalha`, never thrown.
  ~TravaBackup();
  TravaBackup(const TravaBackup&) = delete;
  TravaBackup& operator=(const TravaBackup&) = delete;

  // ALTER DATABASE END BACKUP: the delta goes back into the main file.
  // Throws DbError; the destructor tries once more then.
  void libera();

 private:
  void encerra();

  FbConnection conexao_;
  std::function<void(const QString&)> avisaFalha_;
  bool travado_ = false;
};

// Clears the backup-lock mark in the header page of the copy open as `fd`
// (read and write). Throws std::runtime_error naming `nome` when the file
// is not a Firebird 3 database copied under the lock.
void liberaTravaNaCopia(int fd, const QString& nome);

}  // namespace orvalto
