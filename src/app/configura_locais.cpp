#include "app/configura_locais.h"

#include "base/handler_guard.h"
#include "base/interaction.h"
#include "app/substituicao_executavel.h"
#include "app/startup.h"
#include "base/version.h"
#include "notify/email_falha.h"
#include "update/atualizador.h"

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
      busca_(ctx, [this]() -> TfrmAtualizador& { return garanteAtualizador(); }, servicos_, *this),
      agendador_(ctx, {}),
      email_(ctx),
      processo_(ctx, *this, [this]() -> TfrmAtualizador& { return garanteAtualizador(); }, servicos_,
                ligacoesDoProcesso()),
      formulario_({ctx, [this]() -> const FbConnection& { return garanteAtualizador().CnOrvalto; }, &servicos_,
                   [this] { FBuscaNovasVersoes(); }},
                  ModoGravacao, UltimaTecla),
      envioVersao_(ctx, [this]() -> TfrmAtualizador& { return garanteAtualizador(); }) {
  server_.aoBuscar = [this] { FBuscaNovasVersoes(); };
  server_.aoAtualizar = [this] { FAtualizacao(); };
  acessoPeloMotor(agendador_.dependencias(), [this]() -> TfrmAtualizador& { return garanteAtualizador(); });
  agendador_.dependencias().atualiza = [this] { FAtualizacao(); };
  agendador_.dependencias().relataVersao = [this] { PEnviaVersaoDiaria(); };
  busca_.FAtualizaAtualizador = [this] { garanteAtualizador().FAtualizaAtualizador(); };
  TmAgendamentoTimer = [this] { agendador_.TmAgendamentoTimer(); };
  FVerificaServidor = [this] { return formulario_.FVerificaServidor(); };
  PCarregaConfiguracoes = [this] { formulario_.PCarregaConfiguracoes(); };
  // The server belongs to the window from its first moment; its events are
  // handled once the event loop runs, after the rest of the creation.
  iniciaServidor(porta);
  aguardaGuardiao(kEsperaGuardiaoMs);
  caption_ = QString::fromLatin1(kTituloJanela) + QString::fromLatin1(VersaoAtualizador);
  tmAgendamento_.setInterval(kIntervaloAgendamentoMs);
  connect(&tmAgendamento_, &QTimer::timeout, this,
          [this] { protegeHandler(ctx_, QStringLiteral("TmAgendamentoTimer: "), TmAgendamentoTimer); });
  tmAgendamento_.start();
  AbreConexoes();
  EmAtualizacao = false;
  EmDownload = false;
}

TfrmConfiguraLocais::~TfrmConfiguraLocais() { FormDestroy(); }

ProcessoAtualizacao::Ligacoes TfrmConfiguraLocais::ligacoesDoProcesso() {
  ProcessoAtualizacao::Ligacoes ligacoes;
  ligacoes.agendamento = [this](bool ligado) {
    if (ligado)
      tmAgendamento_.start();
    else
      tmAgendamento_.stop();
  };
  ligacoes.enviaEmailFalha = [this](int falha) {
    EnviaEmailFalha(email_, static_cast<FalhaAtualizacao>(falha), Empresa);
  };
  ligacoes.aoTerminar = [this] { busca_.aoTerminarAtualizacao(); };
  return ligacoes;
}

void TfrmConfiguraLocais::FAtualizacao() {
  // A scheduled minute can come between a terminal's accepted request and
  // the start of its run: one run at a time.
  if (EmAtualizacao) {
    gravaLog(ctx_, "FAtualizacao: atualização já em andamento.");
    return;
  }
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
  const bool fica = FVerificaServidor ? FVerificaServidor() : true;
  if (PCarregaConfiguracoes) PCarregaConfiguracoes();
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
