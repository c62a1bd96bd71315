#pragma once
// The update engine: owns the product connection CnOrvalto and is the
// object the update stages are operations of. One shared instance lives as
// long as the tray window; start-up uses a temporary one.
#include "app/app_context.h"
#include "db/firebird_connection.h"

#include <QDateTime>

namespace orvalto {

class TfrmAtualizador {
 public:
  explicit TfrmAtualizador(const AppContext& ctx);
  ~TfrmAtualizador();

  FbConnection CnOrvalto;

  // Reads the connection settings again, reconnects and probes the server.
  bool FConectaBanco();
  // Opens (true) or closes (false) CnOrvalto; driver errors reach the caller.
  bool FConectaBases(bool abrir);
  // Brings VERSOESCAB and VERSOESITEM up to date.
  bool FAtualizaEstrutura();
  // The versions folder stored in VERSOESCAB.
  QString FCaminhoVersoes();

  // The server's time as the last successful probe read it.
  const QDateTime& DataHoraServidor() const { return dataHoraServidor_; }
  const AppContext& context() const { return ctx_; }

 private:
  AppContext ctx_;
  QDateTime dataHoraServidor_;
};

}  // namespace orvalto
