#include "configuracoes/senha_alcada.h"

#include "base/interaction.h"
#include "configuracoes/senha_produto.h"
#include "configuracoes/titulos.h"
#include "db/database_connector.h"
#include "db/firebird_connection.h"

namespace orvalto {

SenhaAlcada::SenhaAlcada(FbConnection& conexao, Interaction& ui) : conexao_(conexao), ui_(ui) {}

void SenhaAlcada::FormCreate() {
  confirmado_ = false;
  try {
    FConectaBases(conexao_, true);
  } catch (const std::exception&) {
    // ParaCad cannot open either; its warning says what to do.
  }
  abreParaCad(conexao_, ui_);
}

void SenhaAlcada::digita(Campo campo, const QString& texto) {
  const int maximo = campo == Campo::EdUsuario ? kMaxUsuario : kMaxSenha;
  (campo == Campo::EdUsuario ? EdUsuario : EdSenha) = texto.toUpper().left(maximo);
}

void SenhaAlcada::recusa(const QString& texto, bool limpaUsuario, bool limpaSenha, Campo foco) {
  ui_.showMessage(MessageIcon::Information, kTituloInformacao, texto);
  if (limpaUsuario) EdUsuario.clear();
  if (limpaSenha) EdSenha.clear();
  foco_ = foco;
  temFoco_ = true;
}

bool SenhaAlcada::FValidaSenha() {
  const RecusaSenha r = verificaAdministrador(conexao_, EdUsuario, EdSenha);
  switch (r) {
    case RecusaSenha::UsuarioNaoCadastrado: recusa(textoRecusa(r), true, false, Campo::EdUsuario); break;
    case RecusaSenha::SenhaInvalida: recusa(textoRecusa(r), false, true, Campo::EdSenha); break;
    case RecusaSenha::NaoAdministrador: recusa(textoRecusa(r), true, true, Campo::EdUsuario); break;
    case RecusaSenha::Nenhuma: break;
  }
  return r == RecusaSenha::Nenhuma;
}

bool SenhaAlcada::BtOkClick() {
  if (!FValidaSenha()) return false;
  confirmado_ = true;
  return true;
}

bool SenhaAlcada::Esc() {
  if (EdUsuario.isEmpty() && EdSenha.isEmpty()) return true;
  EdUsuario.clear();
  EdSenha.clear();
  return false;
}

bool SenhaAlcada::focoPedido(Campo* campo) {
  if (!temFoco_) return false;
  temFoco_ = false;
  *campo = foco_;
  return true;
}

}  // namespace orvalto
