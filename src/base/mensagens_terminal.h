#pragma once
// Every message the server sends the workstations, built in one place: the
// terminals compare these texts byte for byte, so none is spelled anywhere
// else. The requests they send are read in terminal/terminal_protocol.h.
#include <QString>

namespace orvalto::mensagem {

// To a terminal that connects, or asks for an update, during a run. No
// trailing "|": the terminals compare it whole.
inline constexpr const char* kEmAtualizacao = "[ERRO]:0";

// "[STATUS]:n|": 0 idle, 1 during a run, 2 during a download outside one.
inline QString status(int situacao) { return QStringLiteral("[STATUS]:%1|").arg(situacao); }

// How far the update run has come, "[ATUALIZANDO]:1|" to "[ATUALIZANDO]:5|".
inline QString atualizando(int etapa) { return QStringLiteral("[ATUALIZANDO]:%1|").arg(etapa); }

// A stage that failed, "[ERRO]:n|", with the reason after it when given.
inline QString erro(int numero, const QString& motivo = QString()) {
  return QStringLiteral("[ERRO]:%1|").arg(numero) + motivo;
}

// The refusal while other users are attached, before and after the second
// download.
inline QString usuariosConectados() { return erro(9, QString::fromUtf8("Existem conexões ativas no banco de dados.")); }
inline QString usuariosConectadosAntesDoBackup() {
  return usuariosConectados() + QString::fromUtf8(" Não é possível realizar a atualização.");
}

// The start of a failed backup's text; the cause follows it.
inline QString erroBackup(const QString& causa) { return erro(3, " Erro ao realizar backup; " + causa); }

// A download's progress, "[PROGRESSO]:p|", p in tens of percent.
inline QString progresso(int percentual) { return QStringLiteral("[PROGRESSO]:%1|").arg(percentual); }

// Keep-alives: a long step is still waiting, the structure updater still runs.
inline QString conecta() { return QStringLiteral("[CONECTA]:0|"); }
inline QString execAndWait() { return QStringLiteral("[EXECANDWAIT]:0|"); }

}  // namespace orvalto::mensagem
