#pragma once
// The version-history service's contract: one fixed SOAP action for all of
// its operations.
#include "services/soap_binding.h"

#include <memory>

namespace orvalto {

inline constexpr const char* kNsVersoesClientes = "urn:webVersoesClientesIntf-IwebVersoesClientes";
inline constexpr const char* kAcaoVersoesClientes = "urn:webVersoesClientesIntf-IwebVersoesClientes#SincronizaVersao";
inline constexpr const char* kServicoVersoesClientes = "IwsHistVersClieservice";
inline constexpr const char* kPortaVersoesClientes = "IwsHistVersCliePort";

class IwebVersoesClientes {
 public:
  explicit IwebVersoesClientes(std::shared_ptr<SoapBinding> binding);

  bool SincronizaVersao(const QString& pCodCliente, const QString& pModulo, const QString& pVersao,
                        const QString& pMaquina);
  bool SincronizaIdBd(const QString& pData, const QString& pIdBanco, const QString& pCodCliente);

  SoapBinding& binding() { return *binding_; }

 private:
  bool chama(const QString& operacao, QList<std::pair<QString, SoapValue>> parametros);
  std::shared_ptr<SoapBinding> binding_;
};

}  // namespace orvalto
