#include "app/configura_locais.h"

#include "base/handler_guard.h"
#include "base/interaction.h"
#include "app/self_replacement.h"
#include "app/startup.h"
#include "base/version.h"
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
      servicos_(ctx.exeDir),
      busca_(ctx, [this]() -> TfrmAtualizador& { return garanteAtualizador(); }, servicos_, *this),
      formulario_({ctx, [this]() -> const FbConnection& { return garanteAtualizador().CnOrvalto; }, &servicos_,
                   [this] { FBuscaNovasVersoes(); }},
                  ModoGravacao, UltimaTecla) {
  server_.aoBuscar = [this] { FBuscaNovasVersoes(); };
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
