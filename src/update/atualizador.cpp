#include "update/atualizador.h"

#include "app/handler_guard.h"
#include "app/interaction.h"
#include "db/database_connector.h"
#include "db/schema.h"
#include "update/console_link.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>

namespace orvalto {

TfrmAtualizador::TfrmAtualizador(const AppContext& ctx, ConsoleLink* console) : ctx_(ctx), console_(console) {
  Timer1.setInterval(1000);
  QObject::connect(&Timer1, &QTimer::timeout, [this] { protegeHandler(ctx_, "Timer1Timer: ", [this] { Timer1Timer(); }); });
}

TfrmAtualizador::~TfrmAtualizador() { CnOrvalto.close(); }

bool TfrmAtualizador::FConectaBanco() { return orvalto::FConectaBanco(CnOrvalto, ctx_.exeDir, *ctx_.ui, &dataHoraServidor_); }

bool TfrmAtualizador::FConectaBases(bool abrir) { return orvalto::FConectaBases(CnOrvalto, abrir); }

bool TfrmAtualizador::FAtualizaEstrutura() { return orvalto::FAtualizaEstrutura(CnOrvalto, *ctx_.ui); }

QString TfrmAtualizador::FCaminhoVersoes() { return orvalto::FCaminhoVersoes(CnOrvalto); }

void TfrmAtualizador::log(const QString& mensagem) const { gravaLog(ctx_, mensagem); }

void TfrmAtualizador::balao(const QString& texto) const {
  if (console_) console_->PMostraBalao("Orvalto Atualizador", texto, 1, 10);
}

void TfrmAtualizador::enviaTerminal(const QString& mensagem) const {
  if (console_) console_->SendMessage(mensagem);
}

void TfrmAtualizador::defineEmDownload(bool valor) const {
  if (console_) console_->estadoTerminais().EmDownload = valor;
}

QNetworkAccessManager& TfrmAtualizador::IdHTTP1() {
  if (!http_) {
    http_ = std::make_unique<QNetworkAccessManager>();
    // Packages come straight from the maker's server; the web services'
    // proxy settings do not apply here.
    http_->setProxy(QNetworkProxy::NoProxy);
  }
  return *http_;
}

}  // namespace orvalto
