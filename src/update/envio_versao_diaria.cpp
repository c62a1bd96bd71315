#include "update/envio_versao_diaria.h"

#include "base/version.h"
#include "update/atualizador.h"
#include "update/transmite_versao_cliente.h"

#include <QDeadlineTimer>

namespace orvalto {

EnvioVersaoDiaria::EnvioVersaoDiaria(const AppContext& ctx, std::function<TfrmAtualizador&()> motor, Relogio relogio)
    : ctx_(ctx), motor_(std::move(motor)), relogio_(std::move(relogio)) {}

EnvioVersaoDiaria::~EnvioVersaoDiaria() { abandonaRelatorios(); }

void EnvioVersaoDiaria::PEnviaVersaoDiaria() {
  TfrmAtualizador& motor = motor_();
  try {
    if (motor.FConectaBanco()) {
      motor.FConectaBases(true);
      enviaSeDevido(motor);
    }
  } catch (...) {
    motor.FConectaBases(false);
    throw;
  }
  motor.FConectaBases(false);
}

void EnvioVersaoDiaria::enviaSeDevido(TfrmAtualizador& motor) {
  FbConnection& conexao = motor.CnOrvalto;
  const QueryResult ultimo =
      conexao.query(QString("SELECT CAMPODATE FROM PARADIV WHERE ID_DESCRICAO = '%1'").arg(kChaveEnvioVersao));
  // No row, or an empty date: never reported.
  const QDate ultimoDia = ultimo.value(0, "CAMPODATE").toDate();
  const QDate hoje = relogio_().date();
  if (ultimoDia.isValid() && hoje <= ultimoDia) return;

  const QueryResult clientes = conexao.query("SELECT CODCLIENTE FROM SENHAINSTALACAO ");
  QString codCliente;
  for (int linha = 0; linha < clientes.rows.size() && codCliente.isEmpty(); ++linha)
    codCliente = clientes.value(linha, "CODCLIENTE").toString();
  if (codCliente.isEmpty()) return;

  descartaTerminados();
  trabalhadores_.push_back(TTransmiteVersaoCliente::PTransmite(conexao, codCliente, "ATZ", VersaoAtualizador));
  // The day counts as reported once its report has started.
  conexao.execute(
      "UPDATE OR INSERT into paradiv (ID_DESCRICAO, CAMPODATE)    Values(:ID_DESCRICAO, :CAMPODATE)                    "
      "   "
      "matching (ID_DESCRICAO)                              ",
      {QString(kChaveEnvioVersao), hoje.toString("yyyy.MM.dd")});
}

void EnvioVersaoDiaria::descartaTerminados() {
  std::erase_if(trabalhadores_, [](const auto& t) { return t->isFinished(); });
}

int EnvioVersaoDiaria::emAndamento() const {
  int n = 0;
  for (const auto& t : trabalhadores_) n += t->isFinished() ? 0 : 1;
  return n;
}

bool EnvioVersaoDiaria::abandonaRelatorios(int limiteMs) {
  const QDeadlineTimer prazo(limiteMs);
  bool todos = true;
  for (auto& t : trabalhadores_) t->abandona();
  for (auto& t : trabalhadores_) {
    if (t->wait(prazo)) continue;
    // Destroying a running thread aborts the process: leave it to the
    // process's end.
    (void)t.release();
    todos = false;
  }
  trabalhadores_.clear();
  return todos;
}

}  // namespace orvalto
