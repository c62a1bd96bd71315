#include "update/processo_atualizacao.h"

#include "base/console_link.h"
#include "base/event_pump.h"
#include "base/handler_guard.h"
#include "db/firebird_connection.h"
#include "db/transactions.h"
#include "update/atualizador.h"
#include "update/registro_pastas.h"

#include <stdexcept>

namespace orvalto {
namespace {

const char* const kTitulo = "Orvalto Atualizador";
const char* const kPrefixo = "FAtualizacao: ";

}  // namespace

void PLimpaRecusaAtualizacao(FbConnection& conexao) {
  // Older product databases lack these columns: the run goes on as if the
  // marks had been cleared.
  try {
    PIniciaTransacao(conexao);
    conexao.execute(
        "UPDATE VERSOESCAB SET VERSOESCAB.DATARECUSAATUALIZACAO = NULL, VERSOESCAB.VERSAORECUSAATUALIZACAO = NULL, "
        "VERSOESCAB.USUARIOAGENDOUATUALIZACAO = NULL");
    PConfirmaTransacao(conexao);
  } catch (const std::exception&) {
  }
}

ProcessoAtualizacao::ProcessoAtualizacao(const AppContext& ctx, ConsoleLink& console,
                                         std::function<TfrmAtualizador&()> motor, SharedWebService& servicos,
                                         Ligacoes ligacoes)
    : ctx_(ctx), console_(console), motor_(std::move(motor)), servicos_(servicos), ligacoes_(std::move(ligacoes)) {}

void ProcessoAtualizacao::FAtualizacao() {
  // Both before any pending event gets through: a tick or a second request
  // must already see the run.
  if (ligacoes_.agendamento) ligacoes_.agendamento(false);
  console_.estadoTerminais().EmAtualizacao = true;
  TfrmAtualizador& motor = motor_();
  try {
    log(QString(kPrefixo) + "Iniciando Processo de Atualização.");
    pumpEvents();
    motor.FConectaBases(false);
    balao("Iniciando processo de atualização de versão.\rNão desligue o computador ou interrompa o processo!");
    pumpEvents();
    etapas(motor);
  } catch (...) {
    const QString texto = textoDaExcecao(std::current_exception());
    log(kPrefixo + texto);
    if (texto.contains("[ERRO]")) envia(texto);
  }
  termina(motor);
}

void ProcessoAtualizacao::etapas(TfrmAtualizador& motor) {
  motor.FVerificaCaminhoBanco();
  if (!motor.FConectaBanco()) return;
  if (!baixaEVerifica(motor)) return;

  pumpEvents();
  envia("[ATUALIZANDO]:2|");
  log(QString(kPrefixo) + "Realizando Backup do Banco.");
  motor.FRealizaBackup();  // a failed backup throws its "[ERRO]:3|" text

  pumpEvents();
  envia("[ATUALIZANDO]:3|");
  log(QString(kPrefixo) + "Atualizando Base de Dados.");
  if (!motor.FAtualizaBase(servicos_)) return falhaComEmail("[ERRO]:4|", 4);

  instalaOuRestaura(motor);
}

// Steps up to the second download: connection, queue, users, tables,
// folders. False ends the run.
bool ProcessoAtualizacao::baixaEVerifica(TfrmAtualizador& motor) {
  motor.FConectaBases(true);
  pumpEvents();
  log(QString(kPrefixo) + "Realizando Download de Versões.");
  // An unmounted share must not get the packages on the local disk.
  if (!FConferePastasAntesDoDownload(motor.contexto())) {
    falhaComEmail("[ERRO]:1|", 1);
    return false;
  }
  if (!motor.FBaixaVersoes(true)) return false;

  log(QString(kPrefixo) + "Verificando Usuários Conectados.");
  recusaSeHaUsuarios(motor, "[ERRO]:9|Existem conexões ativas no banco de dados.");

  pumpEvents();
  log(QString(kPrefixo) + "Atualizando campos Locais.");
  if (!motor.FAtualizaEstrutura()) return false;

  pumpEvents();
  log(QString(kPrefixo) + "Validando caminhos informados.");
  if (!motor.FVerificaPastas()) {
    falhaComEmail("[ERRO]:1|", 1);
    return false;
  }

  pumpEvents();
  envia("[ATUALIZANDO]:1|");
  log(QString(kPrefixo) + "Verificando versões baixadas.");
  if (!motor.FBaixaVersoes(true)) {
    falhaComEmail("[ERRO]:2|", 2);
    return false;
  }

  pumpEvents();
  recusaSeHaUsuarios(motor,
                     "[ERRO]:9|Existem conexões ativas no banco de dados. Não é possível realizar a atualização.");
  return true;
}

void ProcessoAtualizacao::instalaOuRestaura(TfrmAtualizador& motor) {
  pumpEvents();
  envia("[ATUALIZANDO]:4|");
  log(QString(kPrefixo) + "Atualizando versão do EXE no servidor.");
  if (motor.FTrocaVersoes(servicos_)) {
    pumpEvents();
    envia("[ATUALIZANDO]:5|");
    motor.PLimpaRecusaAtualizacao();
    PRegistraPastasDaAtualizacao(motor.contexto());
    log(QString(kPrefixo) + "Processo Concluido com Sucesso.");
    return;
  }
  pumpEvents();
  log(QString(kPrefixo) + "Realizando Restore do banco de dados..");
  motor.FRestauraBackup();
  falhaComEmail("[ERRO]:5|", 5);
}

void ProcessoAtualizacao::falhaComEmail(const QString& mensagem, int numeroEmail) {
  envia(mensagem);
  if (ligacoes_.enviaEmailFalha) ligacoes_.enviaEmailFalha(numeroEmail);
}

void ProcessoAtualizacao::recusaSeHaUsuarios(TfrmAtualizador& motor, const QString& mensagem) {
  if (motor.FContaConexoes() > 1) throw std::runtime_error(mensagem.toStdString());
}

void ProcessoAtualizacao::termina(TfrmAtualizador& motor) {
  console_.estadoTerminais().EmAtualizacao = false;
  // The structure update leaves the keep-alive running for the stages after
  // it; nothing is left to keep alive once the run is over.
  motor.Indicador().desliga();
  try {
    motor.FConectaBases(false);
  } catch (...) {
    log(kPrefixo + textoDaExcecao(std::current_exception()));
  }
  balao("Processo de atualização finalizado.");
  if (ligacoes_.agendamento) ligacoes_.agendamento(true);
  log(QString(kPrefixo) + "PROCESSO FINALIZADO.");
  if (ligacoes_.aoTerminar) ligacoes_.aoTerminar();
}

void ProcessoAtualizacao::log(const QString& mensagem) const { gravaLog(ctx_, mensagem); }

void ProcessoAtualizacao::balao(const QString& texto) const { console_.PMostraBalao(kTitulo, texto, 1, 10); }

void ProcessoAtualizacao::envia(const QString& mensagem) const { console_.SendMessage(mensagem); }

}  // namespace orvalto
