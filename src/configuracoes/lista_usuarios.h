#pragma once
// The product users who may start an update: every user of CADUSUA, the
// ones named in VERSOESCAB.USUARIOSATUALIZAVERSAO ticked, and the two
// built-in users ADMIN and MESTRE always ticked and locked.
#include <QList>
#include <QString>
#include <QStringList>

namespace orvalto {

struct AppContext;
class FbConnection;

struct UsuarioAtualiza {
  QString nome;
  bool marcado = false;
  bool travado = false;  // shown greyed; the person cannot change it
};

// The stored text cut into names: at every "," and line break, except a ","
// inside single or double quotes (the quotes stay); empty pieces dropped.
QStringList separaUsuarios(const QString& texto);

class ListaUsuarios {
 public:
  // Rebuilds the list from the database, opening the connection and closing
  // it in every case. An error is logged and leaves the list as far as it
  // was filled.
  void PCarregaListaUsuarios(FbConnection& conexao, const AppContext& ctx);

  // The ticked names in list order, joined by ",".
  QString FRetornaUsuariosSelecionados() const;

  const QList<UsuarioAtualiza>& itens() const { return itens_; }
  // A click on an entry; a locked one keeps its tick.
  void marca(int indice, bool marcado);
  // Ticks exactly the given names, matched ignoring case; the locked ones
  // stay ticked. Names without an entry are returned and then nothing
  // changes.
  QStringList marcaSomente(const QStringList& nomes);

 private:
  int indiceDe(const QString& nome) const;  // case ignored; -1 when absent
  void carrega(FbConnection& conexao);

  QList<UsuarioAtualiza> itens_;
};

}  // namespace orvalto
