#include "update/transmite_versao_cliente.h"

#include "db/firebird_connection.h"
#include "platform/codepage.h"
#include "platform/system.h"
#include "services/dm_web_service.h"
#include "services/versoes_clientes_intf.h"

namespace orvalto {
namespace {

constexpr int kTamanhoMaximoNome = 30;

QString texto(const QueryResult& consulta, const char* coluna) {
  if (consulta.columnIndex(coluna) < 0) throw DbError(std::string("PARALOGIN sem a coluna ") + coluna);
  return consulta.value(0, coluna).toString();
}

}  // namespace

QString nomeMaquinaRelatado(const QString& nome) {
  if (nome.isEmpty() || nome.size() > kTamanhoMaximoNome) return QString::fromLatin1(kErroNomeMaquina);
  return upperAscii(nome);
}

QString FNomeMaquina() { return nomeMaquinaRelatado(hostName()); }

std::unique_ptr<TTransmiteVersaoCliente> TTransmiteVersaoCliente::PTransmite(FbConnection& conexao,
                                                                             const QString& codCliente,
                                                                             const QString& modulo,
                                                                             const QString& versao) {
  auto trabalhador = std::make_unique<TTransmiteVersaoCliente>();
  trabalhador->PCarregaParametros(conexao);
  trabalhador->pCodCliente = codCliente;
  trabalhador->pModulo = upperAscii(modulo);
  trabalhador->pVersao = upperAscii(versao);
  trabalhador->pMaquina = FNomeMaquina();
  trabalhador->start();
  return trabalhador;
}

void TTransmiteVersaoCliente::PCarregaParametros(FbConnection& conexao) {
  const QueryResult consulta = conexao.query("SELECT * FROM PARALOGIN");
  if (consulta.isEmpty()) return;  // no settings: the call fails silently later
  WSWZQVERSAOCLIENTE = texto(consulta, "WSWZQVERSAOCLIENTE");
  UTILIZAPROXY = texto(consulta, "UTILIZAPROXY");
  PROXY = texto(consulta, "PROXY");
  PORTAPROXY = texto(consulta, "PORTAPROXY");
  AUTENTICACAOPROXY = texto(consulta, "AUTENTICACAOPROXY");
  USUARIOPROXY = texto(consulta, "USUARIOPROXY");
  SENHAPROXY = texto(consulta, "SENHAPROXY");
}

void TTransmiteVersaoCliente::Execute() {
  try {
    auto binding = std::make_shared<SoapBinding>();
    binding->setWsdl(WSWZQVERSAOCLIENTE, kServicoVersoesClientes, kPortaVersoesClientes);
    binding->setTimeoutMs(tempoLimiteMs);
    if (UTILIZAPROXY == "S") binding->setProxy(PROXY + ":" + PORTAPROXY);
    if (AUTENTICACAOPROXY == "S") binding->setProxyCredentials(USUARIOPROXY, FDecifraSenhaServico(SENHAPROXY));
    IwebVersoesClientes servico(binding);
    servico.SincronizaVersao(pCodCliente, pModulo, pVersao, pMaquina);
  } catch (...) {
    // The report is best effort: the day is already recorded, the next one
    // goes out tomorrow.
  }
}

}  // namespace orvalto
