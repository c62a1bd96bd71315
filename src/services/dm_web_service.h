#pragma once
// The client of the registration service. It binds the older endpoint
// (IRegistro) and the newer one (IRegistroSacWZQ) from the settings it is
// given, and asks the newer one first: only a negative answer
// (false, no record) sends the question on to the older one, while an
// error of either ends the operation. The customer query asks both and
// keeps the more recent answer.
#include "services/registro_intf.h"

#include <QString>

#include <memory>
#include <optional>
#include <stdexcept>

namespace orvalto {

inline constexpr const char* kChaveServico = "MARTIVOLDENS";

// Unscrambles the service passwords stored in PARALOGIN and the maker's
// built-in one.
QString FDecifraSenhaServico(const QString& texto);

// Any failure of an operation, with the text of its cause.
class WebServiceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where and how the two endpoints are reached: the update engine fills it
// from PARALOGIN and the maker's values. Passwords are plain here.
struct ConfiguracaoServicos {
  QString baseAntiga;  // address of the older endpoint's server
  QString proxy;       // "host:port"; empty: no proxy
  bool autenticaProxy = false;
  QString usuarioProxy, senhaProxy;
  QString baseNova;  // address of the newer endpoint's server
  QString usuarioNovo, senhaNovo;
};

class TDmWebService {
 public:
  TDmWebService();
  ~TDmWebService();
  TDmWebService(const TDmWebService&) = delete;
  TDmWebService& operator=(const TDmWebService&) = delete;

  // Replaces both bindings.
  void PConfiguraServicos(const ConfiguracaoServicos& configuracao);

  bool FComunica();
  std::optional<TInfoCliente> FNovasAtualizacoes(const QString& cgccpf);
  std::optional<TInfoCliente> FInfoCliente(const QString& cgccpf);
  bool FAtualizaDadosCliente(const TInfoCliente& infoCliente);
  bool FConfirmaAtualizacao(const TListModulos& modulos);
  std::optional<TParamAtualizador> FParametrosAtualizacao();

  // What the last configuration decided; the newer binding is null before
  // configuration.
  const SoapBinding& HTTPRIO() const { return antigo_->binding(); }
  const SoapBinding* bindingNovo() const { return novo_ ? &novo_->binding() : nullptr; }

  // Longest wait for one HTTP exchange, for bindings made from now on.
  void setTempoLimiteMs(int milliseconds) { tempoLimiteMs_ = milliseconds; }

 private:
  std::shared_ptr<IRegistro> configuraServicoAntigo(const ConfiguracaoServicos& c) const;
  std::shared_ptr<IRegistroSacWZQ> configuraServicoNovo(const ConfiguracaoServicos& c) const;
  template <typename R, typename Op>
  R perguntar(Op operacao);

  int tempoLimiteMs_ = 120000;
  // Shared so that a call in progress keeps its service alive when a
  // nested event reconfigures or destroys this client meanwhile.
  std::shared_ptr<IRegistro> antigo_;
  std::shared_ptr<IRegistroSacWZQ> novo_;
};

// The process-wide reference through which the users of the client share
// one instance: a user takes the instance (created when there is none),
// configures it, and releases the reference at the end of its operation.
// A user that is still inside a call keeps the instance it took alive.
class SharedWebService {
 public:
  std::shared_ptr<TDmWebService> acquire();
  std::shared_ptr<TDmWebService> current() const { return instance_; }
  void release() { instance_.reset(); }

 private:
  std::shared_ptr<TDmWebService> instance_;
};

}  // namespace orvalto
