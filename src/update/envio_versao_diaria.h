#pragma once
// Once a day the scheduler's tick has the updater report its version to the
// maker. The day of the last report is kept in PARADIV; the report itself
// runs on a worker thread that the tick does not wait for. The workers are
// kept here so that, at program end, one still waiting is abandoned within
// a bounded time instead of keeping the process alive.
#include "base/app_context.h"
#include "base/relogio.h"

#include <QDate>

#include <functional>
#include <memory>
#include <vector>

namespace orvalto {

class TfrmAtualizador;
class TTransmiteVersaoCliente;

inline constexpr const char* kChaveEnvioVersao = "DT_ENVIO_VERSAO_ATZ";

class EnvioVersaoDiaria {
 public:
  EnvioVersaoDiaria(const AppContext& ctx, std::function<TfrmAtualizador&()> motor,
                    Relogio relogio = &QDateTime::currentDateTime);
  // Abandons the workers still running (abandonaRelatorios).
  ~EnvioVersaoDiaria();
  EnvioVersaoDiaria(const EnvioVersaoDiaria&) = delete;
  EnvioVersaoDiaria& operator=(const EnvioVersaoDiaria&) = delete;

  // Sends today's report when none was started today and a customer code
  // exists. Database errors reach the caller, after the connection was
  // closed; the day is then not recorded.
  void PEnviaVersaoDiaria();

  // Ends the waits of the running workers and waits for them at most
  // `limiteMs` in all; a worker that still does not end is left to the
  // process's end. True when every worker ended.
  bool abandonaRelatorios(int limiteMs = 2000);

  // Workers not yet finished.
  int emAndamento() const;

 private:
  void enviaSeDevido(TfrmAtualizador& motor);
  void descartaTerminados();

  AppContext ctx_;
  std::function<TfrmAtualizador&()> motor_;
  Relogio relogio_;
  std::vector<std::unique_ptr<TTransmiteVersaoCliente>> trabalhadores_;
};

}  // namespace orvalto
