#include "services/registro_intf.h"

namespace orvalto {
namespace {

std::optional<TInfoCliente> cliente(const SoapValue& v) {
  if (!v.isCompound()) return std::nullopt;
  return TInfoCliente::fromSoap(v);
}

}  // namespace

IRegistro::IRegistro(std::shared_ptr<SoapBinding> binding) : binding_(std::move(binding)) {}

SoapValue IRegistro::chama(const QString& operacao, QList<std::pair<QString, SoapValue>> parametros) {
  SoapCall call;
  call.ns = kNsRegistro;
  call.operation = operacao;
  call.action = QString(kNsRegistro) + "#" + operacao;
  call.parameters = std::move(parametros);
  const std::shared_ptr<SoapBinding> binding = binding_;
  return binding->invoke(call);
}

bool IRegistro::FComunica() { return chama("FComunica", {}).toBool(); }

std::optional<TInfoCliente> IRegistro::FInfoCliente(const QString& VCGCCPF) {
  return cliente(chama("FInfoCliente", {{"VCGCCPF", SoapValue::text(VCGCCPF)}}));
}

std::optional<TInfoCliente> IRegistro::FNovasAtualizacoes(const QString& VCGCCPF) {
  return cliente(chama("FNovasAtualizacoes", {{"VCGCCPF", SoapValue::text(VCGCCPF)}}));
}

bool IRegistro::FConfirmaAtualizacao(const TListModulos& VModulosAtualizados) {
  return chama("FConfirmaAtualizacao", {{"VModulosAtualizados", listaModulosToSoap(VModulosAtualizados)}}).toBool();
}

std::optional<TParamAtualizador> IRegistro::FParametrosAtualizacao() {
  const SoapValue v = chama("FParametrosAtualizacao", {});
  if (!v.isCompound()) return std::nullopt;
  return TParamAtualizador::fromSoap(v);
}

bool IRegistro::FAtualizaDadosCliente(const TInfoCliente& VInfoCliente) {
  return chama("FAtualizaDadosCliente", {{"VInfoCliente", VInfoCliente.toSoap()}}).toBool();
}

bool IRegistro::GravaClienteVersoesSrvCab(const QString& pCodCliente, const QString& pCGCCPF) {
  return chama("GravaClienteVersoesSrvCab",
               {{"pCodCliente", SoapValue::text(pCodCliente)}, {"pCGCCPF", SoapValue::text(pCGCCPF)}})
      .toBool();
}

bool IRegistroSacWZQ::CancelarAgendamentoCliente(const TInfoCliente& VInfoCliente) {
  return chama("CancelarAgendamentoCliente", {{"VInfoCliente", VInfoCliente.toSoap()}}).toBool();
}

}  // namespace orvalto
