#include "services/dm_web_service.h"

#include "base/scramble.h"

namespace orvalto {
namespace {

const char* const kSufixoAntigo = "/webRegistro.exe/wsdl/IRegistro";
const char* const kSufixoNovo = "/IRegistroPort?wsdl";

std::shared_ptr<SoapBinding> novaBinding(const QString& wsdl, int tempoLimiteMs) {
  auto binding = std::make_shared<SoapBinding>();
  binding->setWsdl(wsdl, kServicoRegistro, kPortaRegistro);
  binding->setTimeoutMs(tempoLimiteMs);
  return binding;
}

bool positivo(bool resposta) { return resposta; }
template <typename T>
bool positivo(const std::optional<T>& resposta) {
  return resposta.has_value();
}

// An invalid moment counts as the earliest of all.
bool posterior(const QDateTime& a, const QDateTime& b) {
  if (!a.isValid()) return false;
  if (!b.isValid()) return true;
  return a > b;
}

}  // namespace

QString FDecifraSenhaServico(const QString& texto) { return decifra(texto, kChaveServico); }

TDmWebService::TDmWebService() : antigo_(std::make_shared<IRegistro>(std::make_shared<SoapBinding>())) {}

TDmWebService::~TDmWebService() {
  antigo_.reset();
  novo_.reset();
}

void TDmWebService::PConfiguraServicos(const ConfiguracaoServicos& configuracao) {
  auto antigo = configuraServicoAntigo(configuracao);
  auto novo = configuraServicoNovo(configuracao);
  antigo_ = std::move(antigo);
  novo_ = std::move(novo);
}

std::shared_ptr<IRegistro> TDmWebService::configuraServicoAntigo(const ConfiguracaoServicos& c) const {
  auto binding = novaBinding(c.baseAntiga + kSufixoAntigo, tempoLimiteMs_);
  if (!c.proxy.isEmpty()) binding->setProxy(c.proxy);
  // The proxy's account is the proxy's alone: a server that asks for
  // credentials does not get it.
  if (c.autenticaProxy) binding->setProxyCredentials(c.usuarioProxy, c.senhaProxy);
  return std::make_shared<IRegistro>(binding);
}

std::shared_ptr<IRegistroSacWZQ> TDmWebService::configuraServicoNovo(const ConfiguracaoServicos& c) const {
  auto binding = novaBinding(c.baseNova + kSufixoNovo, tempoLimiteMs_);
  binding->setUserName(c.usuarioNovo);
  binding->setPassword(c.senhaNovo);
  return std::make_shared<IRegistroSacWZQ>(binding);
}

// The newer endpoint first; the older one only when the newer answered
// negatively or is not bound.
template <typename R, typename Op>
R TDmWebService::perguntar(Op operacao) {
  const std::shared_ptr<IRegistroSacWZQ> novo = novo_;
  const std::shared_ptr<IRegistro> antigo = antigo_;
  try {
    if (novo) {
      R resposta = operacao(*novo);
      if (positivo(resposta)) return resposta;
    }
    return operacao(*antigo);
  } catch (const std::exception& e) {
    throw WebServiceError(e.what());
  }
}

bool TDmWebService::FComunica() {
  return perguntar<bool>([](IRegistro& s) { return s.FComunica(); });
}

std::optional<TInfoCliente> TDmWebService::FNovasAtualizacoes(const QString& cgccpf) {
  return perguntar<std::optional<TInfoCliente>>([&](IRegistro& s) { return s.FNovasAtualizacoes(cgccpf); });
}

bool TDmWebService::FAtualizaDadosCliente(const TInfoCliente& infoCliente) {
  return perguntar<bool>([&](IRegistro& s) { return s.FAtualizaDadosCliente(infoCliente); });
}

bool TDmWebService::FConfirmaAtualizacao(const TListModulos& modulos) {
  return perguntar<bool>([&](IRegistro& s) { return s.FConfirmaAtualizacao(modulos); });
}

std::optional<TParamAtualizador> TDmWebService::FParametrosAtualizacao() {
  return perguntar<std::optional<TParamAtualizador>>([](IRegistro& s) { return s.FParametrosAtualizacao(); });
}

// Both endpoints are asked; the later DataUltimaConsulta wins and a tie
// goes to the newer endpoint.
std::optional<TInfoCliente> TDmWebService::FInfoCliente(const QString& cgccpf) {
  const std::shared_ptr<IRegistroSacWZQ> novo = novo_;
  const std::shared_ptr<IRegistro> antigo = antigo_;
  try {
    std::optional<TInfoCliente> doNovo;
    if (novo) doNovo = novo->FInfoCliente(cgccpf);
    std::optional<TInfoCliente> doAntigo = antigo->FInfoCliente(cgccpf);
    if (doNovo && doAntigo)
      return posterior(doAntigo->DataUltimaConsulta, doNovo->DataUltimaConsulta) ? doAntigo : doNovo;
    return doNovo ? doNovo : doAntigo;
  } catch (const std::exception& e) {
    throw WebServiceError(e.what());
  }
}

std::shared_ptr<TDmWebService> SharedWebService::acquire() {
  if (!instance_) instance_ = std::make_shared<TDmWebService>();
  return instance_;
}

}  // namespace orvalto
