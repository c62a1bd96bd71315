#include "services/dm_web_service.h"

#include "db/schema.h"
#include "db/scramble.h"
#include "platform/decimal_separator.h"
#include "services/fornecedor.h"

namespace orvalto {
namespace {

const char* const kSufixoAntigo = "/webRegistro.exe/wsdl/IRegistro";
const char* const kSufixoNovo = "/IRegistroPort?wsdl";

// A column of the settings row. The column must exist; without a row its
// value is empty.
QString campo(const QueryResult& q, const char* nome) {
  if (q.columnIndex(nome) < 0) throw WebServiceError(QString("qryPesquisa: Field '%1' not found").arg(nome).toStdString());
  return q.isEmpty() ? QString() : q.value(0, nome).toString();
}

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

TDmWebService::TDmWebService(QString exeDir)
    : exeDir_(std::move(exeDir)), antigo_(std::make_shared<IRegistro>(std::make_shared<SoapBinding>())) {}

TDmWebService::~TDmWebService() {
  DecimalSeparatorGuard separador;
  antigo_.reset();
  novo_.reset();
}

void TDmWebService::PConfiguraServicos(FbConnection& conexao) {
  QueryResult q;
  try {
    q = conexao.query(" SELECT * FROM PARALOGIN ");
  } catch (const std::exception& e) {
    throw WebServiceError(e.what());
  }
  auto antigo = configuraServicoAntigo(q);
  auto novo = configuraServicoNovo(conexao, q);
  qryPesquisa_ = q;
  antigo_ = std::move(antigo);
  novo_ = std::move(novo);
}

std::shared_ptr<IRegistro> TDmWebService::configuraServicoAntigo(const QueryResult& q) const {
  auto binding = novaBinding(campo(q, "WEBSERVICEWZQ") + kSufixoAntigo, tempoLimiteMs_);
  if (campo(q, "UTILIZAPROXY") == "S") binding->setProxy(campo(q, "PROXY") + ":" + campo(q, "PORTAPROXY"));
  // Credentials go with the connection whether or not a proxy is used.
  if (campo(q, "AUTENTICACAOPROXY") == "S") {
    binding->setUserName(campo(q, "USUARIOPROXY"));
    binding->setPassword(FDecifraSenhaServico(campo(q, "SENHAPROXY")));
  }
  return std::make_shared<IRegistro>(binding);
}

std::shared_ptr<IRegistroSacWZQ> TDmWebService::configuraServicoNovo(FbConnection& conexao,
                                                                     const QueryResult& q) const {
  QString base, usuario, senhaCifrada;
  bool temColuna = false;
  try {
    temColuna = FExisteMetadado(conexao, "LINKWEBSERVICEWZQ", "PARALOGIN", TipoMetadado::Campo);
  } catch (const std::exception& e) {
    throw WebServiceError(e.what());
  }
  if (temColuna) {
    base = campo(q, "LINKWEBSERVICEWZQ");
    usuario = campo(q, "USUARIOWEBSERVICEWZQ");
    senhaCifrada = campo(q, "SENHAWEBSERVICEWZQ");
  } else {
    Fornecedor fornecedor;
    try {
      fornecedor = lerFornecedor(exeDir_);
    } catch (const std::exception& e) {
      throw WebServiceError(e.what());
    }
    base = fornecedor.RegistroURL;
    usuario = fornecedor.RegistroUsuario;
    senhaCifrada = fornecedor.RegistroSenha;
  }
  auto binding = novaBinding(base + kSufixoNovo, tempoLimiteMs_);
  binding->setUserName(usuario);
  binding->setPassword(FDecifraSenhaServico(senhaCifrada));
  return std::make_shared<IRegistroSacWZQ>(binding);
}

// The newer endpoint first; the older one only when the newer answered
// negatively or is not bound. The separator is set back on every path, an
// error's included.
template <typename R, typename Op>
R TDmWebService::perguntar(Op operacao) {
  DecimalSeparatorGuard separador;
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
  DecimalSeparatorGuard separador;
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
  if (!instance_) instance_ = std::make_shared<TDmWebService>(exeDir_);
  return instance_;
}

}  // namespace orvalto
