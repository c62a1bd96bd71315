#pragma once
// The client of the registration service. It reads the service settings
// from PARALOGIN, binds the older endpoint (IRegistro) and the newer one
// (IRegistroSacWZQ), and asks the newer one first: only a negative answer
// (false, no record) sends the question on to the older one, while an
// error of either ends the operation. The customer query asks both and
// keeps the more recent answer.
#include "db/firebird_connection.h"
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

class TDmWebService {
 public:
  // `exeDir` is where Atualizador.ini may replace the maker's values.
  explicit TDmWebService(QString exeDir);
  ~TDmWebService();
  TDmWebService(const TDmWebService&) = delete;
  TDmWebService& operator=(const TDmWebService&) = delete;

  // Reads PARALOGIN anew and replaces both bindings. A missing column
  // throws WebServiceError with the lookup's text; nothing changes then.
  void PConfiguraServicos(FbConnection& conexao);

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
  const QueryResult& qryPesquisa() const { return qryPesquisa_; }

  // Longest wait for one HTTP exchange, for bindings made from now on.
  void setTempoLimiteMs(int milliseconds) { tempoLimiteMs_ = milliseconds; }

 private:
  std::shared_ptr<IRegistro> configuraServicoAntigo(const QueryResult& q) const;
  std::shared_ptr<IRegistroSacWZQ> configuraServicoNovo(FbConnection& conexao, const QueryResult& q) const;
  template <typename R, typename Op>
  R perguntar(Op operacao);

  QString exeDir_;
  int tempoLimiteMs_ = 120000;
  QueryResult qryPesquisa_;
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
  explicit SharedWebService(QString exeDir) : exeDir_(std::move(exeDir)) {}

  std::shared_ptr<TDmWebService> acquire();
  std::shared_ptr<TDmWebService> current() const { return instance_; }
  void release() { instance_.reset(); }

 private:
  QString exeDir_;
  std::shared_ptr<TDmWebService> instance_;
};

}  // namespace orvalto
