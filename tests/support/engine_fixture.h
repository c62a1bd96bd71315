#pragma once
// An update engine on a fresh product database, with a versions folder, a
// log and a console that records what the engine tells the terminals.
#include "base/app_context.h"
#include "base/console_link.h"
#include "base/operation_log.h"
#include "support/scripted_interaction.h"
#include "update/atualizador.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace orvalto::test {

// Stands in for the tray window: keeps the terminals' state and records the
// messages and balloons.
class RecordingConsole : public ConsoleLink {
 public:
  EstadoTerminais estado;
  QStringList mensagens;  // "address|message"
  QStringList baloes;     // "title|text|kind|seconds"
  std::function<void()> aoEnviar;

  EstadoTerminais& estadoTerminais() override { return estado; }
  void SendMessage(const QString& mensagem, const QString& endereco) override;
  void PMostraBalao(const QString& titulo, const QString& texto, int tipo, int segundos) override;
};

// Lines of today's log file, without their time stamps.
QStringList logLinesOf(const OperationLog& log);

// The engine's insides, which only the tests reach: its connection and
// its stages.
struct AcessoMotor {
  static FbConnection& conexao(TfrmAtualizador& motor) { return motor.CnOrvalto; }
  static const ContextoEstagio& contexto(TfrmAtualizador& motor) { return motor.contexto_; }
  static DownloadPacotes& download(TfrmAtualizador& motor) { return *motor.download_; }
  static DescobertaVersoes& descoberta(TfrmAtualizador& motor) { return *motor.descoberta_; }
  static TrocaVersoes& troca(TfrmAtualizador& motor) { return *motor.troca_; }
  static BackupBanco& backup(TfrmAtualizador& motor) { return *motor.backup_; }
  static AutoAtualizacao& autoAtualizacao(TfrmAtualizador& motor) { return *motor.autoAtualizacao_; }
};

class EngineFixture {
 public:
  EngineFixture();
  ~EngineFixture();

  QString location;       // the database
  QTemporaryDir exeDir;   // the installation folder (Caminho.ini, the log)
  QTemporaryDir versoes;  // the versions folder
  ScriptedInteraction ui;
  std::unique_ptr<OperationLog> log;
  AppContext ctx;
  RecordingConsole console;
  std::unique_ptr<TfrmAtualizador> engine;

  // The engine's product connection and stages.
  FbConnection& CnOrvalto() { return AcessoMotor::conexao(*engine); }
  const ContextoEstagio& contexto() { return AcessoMotor::contexto(*engine); }
  DownloadPacotes& Download() { return AcessoMotor::download(*engine); }
  DescobertaVersoes& Descoberta() { return AcessoMotor::descoberta(*engine); }
  TrocaVersoes& Troca() { return AcessoMotor::troca(*engine); }
  BackupBanco& Backup() { return AcessoMotor::backup(*engine); }
  AutoAtualizacao& AutoAtualiza() { return AcessoMotor::autoAtualizacao(*engine); }

  QString versionsFolder() const { return versoes.path() + "/"; }
  QString tmpFolder() const { return versoes.path() + "/TMP/"; }
  // Lines of today's log, without their time stamps.
  QStringList logLines() const;
  void queue(const QString& address, const QString& sistema = "PDV", const QString& cliente = "000123");
};

}  // namespace orvalto::test
