#pragma once
// The daily report of the installed updater version to the maker's
// version-history service. One worker thread per report: everything it
// needs is copied into it before it starts, it shares nothing, and whatever
// the service answers (or fails to) is swallowed.
#include <QString>
#include <QThread>

#include <memory>

namespace orvalto {

class FbConnection;

inline constexpr const char* kErroNomeMaquina = "ERRO NA CAPTURA DA MAQUINA";

// This machine's network name, upper-cased (a-z only); the fixed error text
// when it cannot be read or is longer than 30 characters.
QString FNomeMaquina();
// The same rule applied to a given name (empty: could not be read).
QString nomeMaquinaRelatado(const QString& nome);

class TTransmiteVersaoCliente : public QThread {
 public:
  // Longest wait for the service's answer; shorter than the SOAP layer's
  // own, so a silent service never keeps a report around for long.
  static constexpr int kTempoLimiteMs = 60000;

  // Creates a worker, reads the settings from `conexao`, fills the values
  // and starts it; returns at once. The caller keeps the worker (see
  // RelatoriosVersao) until it has finished.
  static std::unique_ptr<TTransmiteVersaoCliente> PTransmite(FbConnection& conexao, const QString& codCliente,
                                                             const QString& modulo, const QString& versao);

  // First row of PARALOGIN; a missing column throws (the report is then
  // not started).
  void PCarregaParametros(FbConnection& conexao);

  // Ends the worker's wait for the service at once (program end).
  void abandona() { quit(); }

  QString pCodCliente, pModulo, pVersao, pMaquina;
  QString WSWZQVERSAOCLIENTE, UTILIZAPROXY, PROXY, PORTAPROXY, AUTENTICACAOPROXY, USUARIOPROXY, SENHAPROXY;
  int tempoLimiteMs = kTempoLimiteMs;

 protected:
  void run() override { Execute(); }

 private:
  void Execute();
};

}  // namespace orvalto
