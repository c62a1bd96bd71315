#include "configuracoes/lista_usuarios.h"

#include "base/handler_guard.h"
#include "db/database_connector.h"
#include "db/firebird_connection.h"

namespace orvalto {
namespace {

const char* const kUsuariosTravados[] = {"ADMIN", "MESTRE"};

}  // namespace

QStringList separaUsuarios(const QString& texto) {
  QStringList nomes;
  QString atual;
  QChar aspa;
  for (const QChar c : texto) {
    if (!aspa.isNull()) {
      if (c == aspa) aspa = QChar();
    } else if (c == '\'' || c == '"') {
      aspa = c;
    } else if (c == ',' || c == '\r' || c == '\n') {
      if (!atual.isEmpty()) nomes.append(atual);
      atual.clear();
      continue;
    }
    atual.append(c);
  }
  if (!atual.isEmpty()) nomes.append(atual);
  return nomes;
}

int ListaUsuarios::indiceDe(const QString& nome) const {
  for (int i = 0; i < itens_.size(); ++i)
    if (itens_[i].nome.compare(nome, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

void ListaUsuarios::PCarregaListaUsuarios(FbConnection& conexao, const AppContext& ctx) {
  itens_.clear();
  try {
    FConectaBases(conexao, true);
    carrega(conexao);
  } catch (...) {
    gravaLog(ctx, "PCarregaListaUsuarios: " + textoDaExcecao(std::current_exception()));
  }
  FConectaBases(conexao, false);
}

void ListaUsuarios::carrega(FbConnection& conexao) {
  const QueryResult usuarios = conexao.query("Select USUARIO From CADUSUA");
  for (const auto& linha : usuarios.rows) itens_.append({linha.first().toString()});
  const QueryResult gravados = conexao.query("Select USUARIOSATUALIZAVERSAO From VERSOESCAB");
  const QString texto = gravados.isEmpty() ? QString() : gravados.rows.first().first().toString();
  for (const QString& nome : separaUsuarios(texto)) {
    const int i = indiceDe(nome);
    if (i >= 0) itens_[i].marcado = true;
  }
  for (const char* nome : kUsuariosTravados) {
    const int i = indiceDe(nome);
    if (i >= 0) itens_[i].travado = itens_[i].marcado = true;
  }
}

QString ListaUsuarios::FRetornaUsuariosSelecionados() const {
  QStringList marcados;
  for (const UsuarioAtualiza& u : itens_)
    if (u.marcado) marcados.append(u.nome);
  return marcados.join(',');
}

void ListaUsuarios::marca(int indice, bool marcado) {
  if (indice < 0 || indice >= itens_.size() || itens_[indice].travado) return;
  itens_[indice].marcado = marcado;
}

QStringList ListaUsuarios::marcaSomente(const QStringList& nomes) {
  QStringList desconhecidos;
  for (const QString& nome : nomes)
    if (indiceDe(nome) < 0) desconhecidos.append(nome);
  if (!desconhecidos.isEmpty()) return desconhecidos;
  for (UsuarioAtualiza& u : itens_) u.marcado = u.travado;
  for (const QString& nome : nomes) itens_[indiceDe(nome)].marcado = true;
  return {};
}

}  // namespace orvalto
