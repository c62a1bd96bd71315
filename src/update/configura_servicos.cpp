#include "update/configura_servicos.h"

#include "db/firebird_connection.h"
#include "db/schema.h"
#include "services/fornecedor.h"

namespace orvalto {
namespace {

// A column of the settings row. The column must exist; without a row its
// value is empty.
QString campo(const QueryResult& q, const char* nome) {
  if (q.columnIndex(nome) < 0)
    throw WebServiceError(QString("qryPesquisa: Field '%1' not found").arg(nome).toStdString());
  return q.isEmpty() ? QString() : q.value(0, nome).toString();
}

template <typename F>
auto comoErroDoServico(F&& passo) {
  try {
    return passo();
  } catch (const WebServiceError&) {
    throw;
  } catch (const std::exception& e) {
    throw WebServiceError(e.what());
  }
}

void lerEnderecoNovo(FbConnection& conexao, const QueryResult& q, const QString& exeDir, ConfiguracaoServicos& c) {
  const bool temColuna = comoErroDoServico(
      [&] { return FExisteMetadado(conexao, "LINKWEBSERVICEWZQ", "PARALOGIN", TipoMetadado::Campo); });
  if (temColuna) {
    c.baseNova = campo(q, "LINKWEBSERVICEWZQ");
    c.usuarioNovo = campo(q, "USUARIOWEBSERVICEWZQ");
    c.senhaNovo = FDecifraSenhaServico(campo(q, "SENHAWEBSERVICEWZQ"));
    return;
  }
  const Fornecedor fornecedor = comoErroDoServico([&] { return lerFornecedor(exeDir); });
  c.baseNova = fornecedor.RegistroURL;
  c.usuarioNovo = fornecedor.RegistroUsuario;
  c.senhaNovo = FDecifraSenhaServico(fornecedor.RegistroSenha);
}

}  // namespace

ConfiguracaoServicos FConfiguracaoServicos(FbConnection& conexao, const QString& exeDir) {
  const QueryResult q = comoErroDoServico([&] { return conexao.query(" SELECT * FROM PARALOGIN "); });
  ConfiguracaoServicos c;
  c.baseAntiga = campo(q, "WEBSERVICEWZQ");
  if (campo(q, "UTILIZAPROXY") == "S") c.proxy = campo(q, "PROXY") + ":" + campo(q, "PORTAPROXY");
  c.autenticaProxy = campo(q, "AUTENTICACAOPROXY") == "S";
  if (c.autenticaProxy) {
    c.usuarioProxy = campo(q, "USUARIOPROXY");
    c.senhaProxy = FDecifraSenhaServico(campo(q, "SENHAPROXY"));
  }
  lerEnderecoNovo(conexao, q, exeDir, c);
  return c;
}

void PConfiguraServicos(TDmWebService& servico, FbConnection& conexao, const QString& exeDir) {
  servico.PConfiguraServicos(FConfiguracaoServicos(conexao, exeDir));
}

}  // namespace orvalto
