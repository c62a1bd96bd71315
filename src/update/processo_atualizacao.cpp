#include "update/processo_atualizacao.h"

#include <stdexcept>
#include "base/console_link.h"
#include "base/event_pump.h"
#include "base/handler_guard.h"
#include "base/mensagens_terminal.h"
#include "db/firebird_connection.h"
#include "db/transactions.h"
#include "platform/termination.h"
#include "update/atualizador.h"
#include "update/falha_etapa.h"

namespace orvalto {
namespace {

const char* const kTitulo = "Orvalto Atualizador";
const QString kPrefixo = QStringLiteral("FAtualizacao: ");
const QString kAtualizacaoInterrompida = QStringLiteral(
    "Atualização interrompida: o programa está sendo encerrado; as versões pendentes continuam na fila.");

}  // namespace

void PLimpaRecusaAtualizacao(FbConnection& conexao) {
  // Older product databases lack these columns: the run goes on as if the
  // marks had been cleared (the failed statement rolled back).
  try {
    TransacaoEscopo transacao(conexao);
    conexao.execute(
        "UPDATE VERSOESCAB SET VERSOESCAB.DATARECUSAATUALIZACAO = NULL, VERSOESCAB.VERSAORECUSAATUALIZACAO = NULL, "
        "VERSOESCAB.USUARIOAGENDOUATUALIZACAO = NULL");
    transacao.confirma();
  } catch (const std::exception&) {
  }
}

ProcessoAtualizacao::ProcessoAtualizacao(const AppContext& ctx, ConsoleLink& console,
                                         std::function<TfrmAtualizador&()> motor, SharedWebService& servicos,
                                         QObject* parent)
    : QObject(parent), ctx_(ctx), console_(console), motor_(std::move(motor)), servicos_(servicos) {}

void ProcessoAtualizacao::FAtualizacao() {
  // Both before any pending event gets through: a tick or a second request
  // must already see the run.
  emit agendamentoLigado(false);
  console_.estadoTerminais().EmAtualizacao = true;
  TfrmAtualizador& motor = motor_();
  registro_.inicioAtualizacao();
  try {
    inicia(motor);
    paraSeTerminando();
    etapas(motor);
  } catch (const FalhaEtapa& falha) {
    trata(desfecho(falha));
  } catch (...) {
    trata(desfecho(FalhaEtapa::erro(textoDaExcecao(std::current_exception()))));
  }
  termina(motor);
  // A stop asked for during the run ends the program now.
  retencao_.reset();
}

void ProcessoAtualizacao::paraSeTerminando() const {
  if (!retencao_ && terminationRequested()) throw FalhaEtapa::encerra();
}

FalhaEtapa ProcessoAtualizacao::desfecho(const FalhaEtapa& falha) const {
  if (!retencao_ && terminationRequested()) return FalhaEtapa::encerra(kAtualizacaoInterrompida);
  return falha;
}

void ProcessoAtualizacao::inicia(TfrmAtualizador& motor) {
  log("Iniciando Processo de Atualização.");
  pumpEvents();
  motor.FConectaBases(false);
  balao("Iniciando processo de atualização de versão.\rNão desligue o computador ou interrompa o processo!");
  pumpEvents();
}

// The run's steps in their order. A step that fails throws the FalhaEtapa
// saying how the run ends; a stage's own error takes the error path.
void ProcessoAtualizacao::etapas(TfrmAtualizador& motor) {
  using Email = FalhaEtapa::Email;
  const auto exige = [](bool ok, FalhaEtapa falha = FalhaEtapa::encerra()) {
    if (!ok) throw falha;
  };
  motor.FVerificaCaminhoBanco();
  exige(motor.FConectaBanco());
  motor.FConectaBases(true);
  passo({}, "Realizando Download de Versões.");
  // An unmounted share must not get the packages on the local disk.
  exige(motor.FConferePastasAntesDoDownload(), FalhaEtapa::comEmail(Email::Pastas));
  exige(motor.FBaixaVersoes(true));  // an empty queue ends the run here
  log("Verificando Usuários Conectados.");
  recusaSeHaUsuarios(motor, mensagem::usuariosConectados());
  passo({}, "Atualizando campos Locais.");
  exige(motor.FAtualizaEstrutura());
  passo({}, "Validando caminhos informados.");
  exige(motor.FVerificaPastas(), FalhaEtapa::comEmail(Email::Pastas));
  passo(mensagem::atualizando(1), "Verificando versões baixadas.");
  exige(motor.FBaixaVersoes(true), FalhaEtapa::comEmail(Email::Download));
  passo({}, {});
  recusaSeHaUsuarios(motor, mensagem::usuariosConectadosAntesDoBackup());
  passo(mensagem::atualizando(2), "Realizando Backup do Banco.");
  motor.FRealizaBackup();  // a failed backup throws its "[ERRO]:3|" text
  // From here on the database changes: a stop waits for the run's end
  // instead of leaving it half-updated. Nothing is served in between.
  paraSeTerminando();
  retencao_.emplace();
  passo(mensagem::atualizando(3), "Atualizando Base de Dados.");
  if (!motor.FAtualizaBase(servicos_)) {
    // What a structure updater ended half-way did is not to be kept.
    if (motor.FAtualizadorBDExcedeuLimite()) {
      passo({}, "Realizando Restore do banco de dados..");
      motor.FRestauraBackup();
    }
    throw FalhaEtapa::comEmail(Email::Base);
  }
  passo(mensagem::atualizando(4), "Atualizando versão do EXE no servidor.");
  if (!motor.FTrocaVersoes(servicos_)) {
    passo({}, "Realizando Restore do banco de dados..");
    motor.FRestauraBackup();
    throw FalhaEtapa::comEmail(Email::Troca);
  }
  passo(mensagem::atualizando(5), {});
  motor.PLimpaRecusaAtualizacao();
  motor.PRegistraPastasDaAtualizacao();
  log("Processo Concluido com Sucesso.");
}

void ProcessoAtualizacao::trata(const FalhaEtapa& falha) {
  if (falha.registraNoLog()) log(falha.texto());
  if (!falha.mensagemTerminal().isEmpty()) envia(falha.mensagemTerminal());
  if (falha.email() != FalhaEtapa::Email::Nenhum) emit emailDeFalha(static_cast<int>(falha.email()));
}

void ProcessoAtualizacao::passo(const QString& mensagemTerminal, const QString& linhaLog) {
  pumpEvents();
  paraSeTerminando();
  if (!mensagemTerminal.isEmpty()) envia(mensagemTerminal);
  if (!linhaLog.isEmpty()) log(linhaLog);
}

void ProcessoAtualizacao::recusaSeHaUsuarios(TfrmAtualizador& motor, const QString& mensagem) {
  if (motor.FContaConexoes() <= 1) return;
  // The technician needs to know which workstations to close; the terminal
  // gets the message alone.
  throw FalhaEtapa::erro(mensagem, mensagem + " Conectados: " + motor.FDescreveConexoesAtivas());
}

void ProcessoAtualizacao::termina(TfrmAtualizador& motor) {
  console_.estadoTerminais().EmAtualizacao = false;
  // The structure update leaves the keep-alive running for the stages after
  // it; nothing is left to keep alive once the run is over.
  motor.Indicador().desliga();
  try {
    motor.FConectaBases(false);
  } catch (...) {
    log(textoDaExcecao(std::current_exception()));
  }
  balao("Processo de atualização finalizado.");
  emit agendamentoLigado(true);
  log("PROCESSO FINALIZADO.");
  registro_.fimAtualizacao();
  emit terminou();
}

void ProcessoAtualizacao::log(const QString& linha) const { gravaLog(ctx_, kPrefixo + linha); }

void ProcessoAtualizacao::balao(const QString& texto) const { console_.PMostraBalao(kTitulo, texto, 1, 10); }

void ProcessoAtualizacao::envia(const QString& mensagem) {
  registro_.observaMensagem(mensagem);
  console_.SendMessage(mensagem);
}

}  // namespace orvalto
