#include "services/versoes_clientes_intf.h"

namespace orvalto {

IwebVersoesClientes::IwebVersoesClientes(std::shared_ptr<SoapBinding> binding) : binding_(std::move(binding)) {}

bool IwebVersoesClientes::chama(const QString& operacao, QList<std::pair<QString, SoapValue>> parametros) {
  SoapCall call;
  call.ns = kNsVersoesClientes;
  call.operation = operacao;
  call.action = kAcaoVersoesClientes;
  call.parameters = std::move(parametros);
  const std::shared_ptr<SoapBinding> binding = binding_;
  return binding->invoke(call).toBool();
}

bool IwebVersoesClientes::SincronizaVersao(const QString& pCodCliente, const QString& pModulo, const QString& pVersao,
                                           const QString& pMaquina) {
  return chama("SincronizaVersao", {{"pCodCliente", SoapValue::text(pCodCliente)},
                                    {"pModulo", SoapValue::text(pModulo)},
                                    {"pVersao", SoapValue::text(pVersao)},
                                    {"pMaquina", SoapValue::text(pMaquina)}});
}

bool IwebVersoesClientes::SincronizaIdBd(const QString& pData, const QString& pIdBanco, const QString& pCodCliente) {
  return chama("SincronizaIdBd", {{"pData", SoapValue::text(pData)},
                                  {"pIdBanco", SoapValue::text(pIdBanco)},
                                  {"pCodCliente", SoapValue::text(pCodCliente)}});
}

}  // namespace orvalto
