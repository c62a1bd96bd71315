#pragma once
// The registration service's contract. The older endpoint answers as
// IRegistro, the newer one as IRegistroSacWZQ, which adds the schedule
// cancelling; both share one namespace and one service and port name.
#include "services/info_cliente.h"
#include "services/parametros_atualizador.h"
#include "services/soap_binding.h"

#include <memory>
#include <optional>

namespace orvalto {

inline constexpr const char* kNsRegistro = "urn:URegistroIntf-IRegistro";
inline constexpr const char* kServicoRegistro = "IRegistroservice";
inline constexpr const char* kPortaRegistro = "IRegistroPort";

class IRegistro {
 public:
  explicit IRegistro(std::shared_ptr<SoapBinding> binding);
  virtual ~IRegistro() = default;

  bool FComunica();
  std::optional<TInfoCliente> FInfoCliente(const QString& VCGCCPF);
  std::optional<TInfoCliente> FNovasAtualizacoes(const QString& VCGCCPF);
  bool FConfirmaAtualizacao(const TListModulos& VModulosAtualizados);
  std::optional<TParamAtualizador> FParametrosAtualizacao();
  bool FAtualizaDadosCliente(const TInfoCliente& VInfoCliente);
  bool GravaClienteVersoesSrvCab(const QString& pCodCliente, const QString& pCGCCPF);

  SoapBinding& binding() { return *binding_; }

 protected:
  SoapValue chama(const QString& operacao, QList<std::pair<QString, SoapValue>> parametros);

 private:
  // Shared so that a call in progress keeps its binding alive even when
  // its owner drops it meanwhile.
  std::shared_ptr<SoapBinding> binding_;
};

class IRegistroSacWZQ : public IRegistro {
 public:
  using IRegistro::IRegistro;
  bool CancelarAgendamentoCliente(const TInfoCliente& VInfoCliente);
};

}  // namespace orvalto
