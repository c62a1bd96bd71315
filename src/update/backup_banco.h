#pragma once
// The backup and restore stage of the update run. Before the run changes
// the database it copies the database file into the backup folder under a
// stamped name; when the new executables cannot be put in place it puts the
// latest backup back. Both run with this program's connection closed, show
// the waiting indicator (with its keep-alive to the requesting terminal)
// and keep serving terminals while the bytes move.
#include "update/contexto_estagio.h"

#include <QString>

namespace orvalto {

class IndicadorEspera;

// The backup a run made: the restore puts back exactly this file.
struct BackupFeito {
  QString caminho;
  qint64 tamanho = -1;
};

class BackupBanco {
 public:
  BackupBanco(const ContextoEstagio& contexto, IndicadorEspera& indicador);

  // The pre-run check: the database location must be findable (Caminho.Dir,
  // else the ORVALTO alias, unless Caminho.ini gives the connection).
  // Errors are not caught.
  bool FVerificaCaminhoBanco();

  // Copies the database file to the backup folder under Firebird's backup
  // lock (workstations may attach and write meanwhile) and rotates the
  // backups, never deleting the one just made. First makes sure the folder
  // has room for it. True, or a FalhaEtapa whose text is
  // mensagem::erroBackup(the cause): the run logs it and sends it on to the
  // terminal as it is.
  bool FRealizaBackup();

  // Puts this run's backup (the latest one when this engine made none) in
  // the database file's place, keeping the file it replaces beside it (at
  // most NUMEROBACKUP such copies). Never throws; false (with a log line)
  // when nothing was restored, and then the database file is as it was.
  bool FRestauraBackup();

  // The backup the last FRealizaBackup made; empty when it failed.
  const BackupFeito& BackupDestaExecucao() const { return backupFeito_; }

 private:
  QString pastaBackup() const;
  void copiaParaBackup(const QString& pasta);
  void copiaTravada(const QString& banco, const QString& nome) const;
  QString escolheBackup(const QString& pasta) const;
  void restaura(const QString& pasta);
  QString colocaNoLugar(const QString& backup, const QString& banco);
  void gravaFazerBackup(bool arquivoExiste) const;
  int numeroBackups() const;
  void rodaBackups(const QString& pasta) const;
  void mostraEspera(const QString& titulo) const;
  void escondeEspera() const;

  ContextoEstagio contexto_;
  IndicadorEspera& indicador_;
  BackupFeito backupFeito_;
};

}  // namespace orvalto
