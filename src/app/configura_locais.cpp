#include "app/configura_locais.h"

#include "app/startup.h"
#include "app/substituicao_executavel.h"
#include "base/handler_guard.h"
#include "base/interaction.h"
#include "base/version.h"
#include "notify/email_falha.h"
#include "update/atualizador.h"
#include "update/falha_etapa.h"

namespace orvalto {
namespace {

constexpr int kIntervaloAgendamentoMs = 60 * 1000;
constexpr int kEsperaGuardiaoMs = 10;

}  // namespace

TfrmConfiguraLocais::TfrmConfiguraLocais(const AppContext& ctx, quint16 porta, QObject* parent)
    : QObject(parent),
      ctx_(ctx),
      server_(*this, ctx),
      servicos_(),
      operacao_(ctx),
      busca_(
          ctx, [this]() -> TfrmAtualizador& { return garanteAtualizador(); }, servicos_, *this),
      agendador_(
          ctx, [this]() -> TfrmAtualizador& { return garanteAtualizador(); }, [this] { PEnviaVersaoDiaria(); }),
      email_(ctx),
      processo_(
          ctx, *this, [this]() -> TfrmAtualizador& { return garanteAtualizador(); }, servicos_),
      formulario_({ctx, [this]() -> const FbConnection& { return garanteAtualizador().conexao(); }, &servicos_,
                   [this] { FBuscaNovasVersoes(); }},
                  ModoGravacao, UltimaTecla),
      envioVersao_(ctx, [this]() -> TfrmAtualizador& { return garanteAtualizador(); }) {
  ligaComponentes();
  // The server belongs to the window from its first moment; its events are
  // handled once the event loop runs, after the rest of the creation.
  iniciaServidor(porta);
  aguardaGuardiao(kEsperaGuardiaoMs);
  caption_ = QString::fromLatin1(kTituloJanela) + QString::fromLatin1(VersaoAtualizador);
  tmAgendamento_.setInterval(kIntervaloAgendamentoMs);
  tmAgendamento_.start();
  AbreConexoes();
  EmAtualizacao = false;
  EmDownload = false;
}

TfrmConfiguraLocais::~TfrmConfiguraLocais() { FormDestroy(); }

// Who tells whom: the terminals' requests, the scheduler's minute and the
// run's ends reach the window's operations through these signals only.
void TfrmConfiguraLocais::ligaComponentes() {
  const QString agendamento = QStringLiteral("TmAgendamentoTimer: ");
  const QString atualizacao = QStringLiteral("FAtualizacao: ");
  const QString busca = QStringLiteral("FBuscaNovasVersoes: ");
  // A terminal's request runs after the read handler that brought it has
  // returned (queued): the requester is served again during its own run.
  server_.atendePedido(&TerminalServer::buscaPedida, this, [this] { FBuscaNovasVersoes(); });
  server_.atendePedido(&TerminalServer::atualizacaoPedida, this, [this] { FAtualizacao(); });
  // The scheduler's tick, and the run it finds due, run inside the tick.
  conectaProtegido(ctx_, &tmAgendamento_, &QTimer::timeout, this, agendamento,
                   [this] { agendador_.TmAgendamentoTimer(); });
  conectaProtegido(ctx_, &agendador_, &AgendadorAtualizacao::atualizacaoDevida, this, agendamento,
                   [this] { FAtualizacao(); });
  // The run's own notices come while it runs (direct).
  conectaProtegido(ctx_, &processo_, &ProcessoAtualizacao::agendamentoLigado, this, atualizacao,
                   [this](bool ligado) { ligaAgendamento(ligado); });
  conectaProtegido(ctx_, &processo_, &ProcessoAtualizacao::emailDeFalha, this, atualizacao,
                   [this](int numero) { enviaEmailFalha(numero); });
  conectaProtegido(ctx_, &processo_, &ProcessoAtualizacao::terminou, this, atualizacao,
                   [this] { busca_.aoTerminarAtualizacao(); });
  // One long operation at a time: a run or a search asked for during
  // another starts when that one has ended.
  busca_.compartilha(operacao_);
  agendador_.compartilha(operacao_);
  conectaProtegido(ctx_, &operacao_, &OperacaoEmCurso::atualizacaoLiberada, this, atualizacao,
                   [this] { FAtualizacao(); });
  conectaProtegido(ctx_, &operacao_, &OperacaoEmCurso::liberada, this, busca,
                   [this] { busca_.aoTerminarAtualizacao(); });
  // After every search, with its connection still open: the daily self-update.
  conectaProtegido(ctx_, &busca_, &BuscaNovasVersoes::buscaConcluida, this, busca,
                   [this] { garanteAtualizador().FAtualizaAtualizador(); });
}

void TfrmConfiguraLocais::ligaAgendamento(bool ligado) {
  if (ligado)
    tmAgendamento_.start();
  else
    tmAgendamento_.stop();
}

void TfrmConfiguraLocais::enviaEmailFalha(int numero) {
  try {
    EnviaEmailFalha(email_, static_cast<FalhaAtualizacao>(numero), Empresa);
  } catch (...) {
    processo_.trata(FalhaEtapa::erro(textoDaExcecao(std::current_exception())));
  }
}

void TfrmConfiguraLocais::FAtualizacao() {
  // A scheduled minute can come between a terminal's accepted request and
  // the start of its run: one run at a time.
  if (EmAtualizacao) {
    gravaLog(ctx_, "FAtualizacao: atualização já em andamento.");
    return;
  }
  if (!operacao_.pedeAtualizacao()) return;
  const OperacaoEmCurso::Posse posse(operacao_, OperacaoEmCurso::Tipo::Atualizacao);
  processo_.FAtualizacao();
}

void TfrmConfiguraLocais::iniciaServidor(quint16 porta) {
  if (server_.escuta(porta)) return;
  // Another program holds the port: the terminals cannot reach us, but the
  // scheduler still runs, so the program goes on.
  registraErro(ctx_, QStringLiteral("Server: "),
               QStringLiteral("não foi possível escutar a porta %1: %2").arg(porta).arg(server_.erro()));
}

TfrmAtualizador& TfrmConfiguraLocais::garanteAtualizador() {
  if (!frmAtualizador_) frmAtualizador_ = std::make_unique<TfrmAtualizador>(ctx_, this);
  return *frmAtualizador_;
}

bool TfrmConfiguraLocais::AbreConexoes() {
  frmAtualizador_ = std::make_unique<TfrmAtualizador>(ctx_, this);
  try {
    if (frmAtualizador_->FConectaBanco() && !frmAtualizador_->FAtualizaEstrutura()) return false;
  } catch (...) {
    gravaLog(ctx_, "AbreConexoes: " + textoDaExcecao(std::current_exception()));
  }
  frmAtualizador_->FConectaBases(false);
  return true;
}

void TfrmConfiguraLocais::PMostraBalao(const QString& titulo, const QString& texto, int tipo, int segundos) {
  if (ctx_.ui) ctx_.ui->showBalloon(titulo, texto, tipo, segundos);
}

void TfrmConfiguraLocais::PmAbrirClick() { garanteAtualizador().FConectaBases(true); }

bool TfrmConfiguraLocais::FormShow() {
  const bool fica = formulario_.FVerificaServidor();
  formulario_.PCarregaConfiguracoes();
  return fica;
}

void TfrmConfiguraLocais::FormDestroy() {
  if (destruido_) return;
  destruido_ = true;
  tmAgendamento_.stop();
  // A report still waiting for the service is lost, not waited for.
  envioVersao_.abandonaRelatorios();
  try {
    frmAtualizador_ = std::make_unique<TfrmAtualizador>(ctx_, this);
    if (frmAtualizador_->FConectaBanco()) {
      frmAtualizador_->FConectaBases(true);
      PTrocaExecutavel(ctx_, frmAtualizador_->FCaminhoVersoes());
    }
  } catch (...) {
    gravaLog(ctx_, "FormDestroy: " + textoDaExcecao(std::current_exception()));
  }
  // Closing never throws; releasing the engine closes it anyway.
  frmAtualizador_.reset();
}

}  // namespace orvalto
