#include "configuracoes/senha_produto.h"

#include "base/interaction.h"
#include "configuracoes/titulos.h"
#include "db/firebird_connection.h"
#include "platform/codepage.h"

namespace orvalto {
namespace {

const char* const kConsultaUsuario =
    "Select Usuario, Senha, PercDescMax, PercDescMaxCart, PrazoMedioMax, Gerente, LiberaTroca From CadUsua "
    "Where Usuario = :PUsuario";

int codigoDoGrupo(const QString& grupo) {
  bool ok = grupo.size() == 3;
  for (const QChar c : grupo) ok = ok && c >= '0' && c <= '9';
  const int codigo = ok ? grupo.toInt() : -1;
  if (codigo < 0 || codigo > 255)
    throw ErroConversao(QString("'%1' não é um valor inteiro válido").arg(grupo).toStdString());
  return codigo;
}

}  // namespace

QString FDecodificaSenha(const QString& armazenada, int quantidade) {
  QByteArray bytes;
  for (int k = quantidade; k >= 1; --k) bytes.append(static_cast<char>(codigoDoGrupo(armazenada.mid(3 * k - 3, 3))));
  return fromCp1252(bytes);
}

QString aparaSenha(const QString& texto) {
  qsizetype inicio = 0, fim = texto.size();
  while (inicio < fim && texto[inicio].unicode() <= ' ') ++inicio;
  while (fim > inicio && texto[fim - 1].unicode() <= ' ') --fim;
  return texto.mid(inicio, fim - inicio);
}

RecusaSenha verificaAdministrador(FbConnection& conexao, const QString& usuario, const QString& senha) {
  const QueryResult cadUsua = conexao.query(kConsultaUsuario, {usuario});
  if (cadUsua.isEmpty()) return RecusaSenha::UsuarioNaoCadastrado;
  const QString gravada = aparaSenha(FDecodificaSenha(cadUsua.value(0, "Senha").toString(), kCaracteresSenha));
  if (gravada != aparaSenha(senha)) return RecusaSenha::SenhaInvalida;
  if (usuario.toUpper() != kUsuarioAdministrador) return RecusaSenha::NaoAdministrador;
  return RecusaSenha::Nenhuma;
}

QString textoRecusa(RecusaSenha recusa) {
  switch (recusa) {
    case RecusaSenha::UsuarioNaoCadastrado: return QString::fromUtf8("Usuário não cadastrado!");
    case RecusaSenha::SenhaInvalida: return QString::fromUtf8("Senha inválida!");
    case RecusaSenha::NaoAdministrador: return QString::fromUtf8("Usuario não é administrador!");
    case RecusaSenha::Nenhuma: break;
  }
  return {};
}

void abreParaCad(FbConnection& conexao, Interaction& ui) {
  try {
    conexao.query("select * from ParaCad");
  } catch (const std::exception&) {
    ui.showMessage(MessageIcon::Warning, kTituloAviso,
                   "Problemas ao abrir tabela ParaCad. Atualize a base de dados para solucionar o problema.");
  }
}

}  // namespace orvalto
