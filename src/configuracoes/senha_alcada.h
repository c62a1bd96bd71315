#pragma once
// The behaviour of the administrator password dialog (TFSenhaAlcada): the
// person gives a product user and its password; only the administrator,
// with the right password, confirms. Wrong answers keep the dialog open for
// another try. The dialog's window shows this state and forwards its
// events here.
#include <QString>

namespace orvalto {

class FbConnection;
class Interaction;

class SenhaAlcada {
 public:
  enum class Campo { EdUsuario, EdSenha };

  static constexpr int kMaxUsuario = 10;
  static constexpr int kMaxSenha = 8;

  SenhaAlcada(FbConnection& conexao, Interaction& ui);

  // Opens the connection and ParaCad; a failure is a warning and the dialog
  // opens all the same.
  void FormCreate();

  // The fields, upper case as typed.
  QString EdUsuario;
  QString EdSenha;
  void digita(Campo campo, const QString& texto);

  // The check behind "&Ok": refusals are shown, clear their fields and
  // leave the field to focus in focoPedido. Database and decoding errors
  // reach the caller.
  bool FValidaSenha();
  // True when the dialog is to close confirmed.
  bool BtOkClick();
  // Esc: clears both fields when either holds text (false), otherwise the
  // dialog is to close unconfirmed (true).
  bool Esc();

  bool confirmado() const { return confirmado_; }
  // The field that should take the focus after a refusal, once.
  bool focoPedido(Campo* campo);

 private:
  void recusa(const QString& texto, bool limpaUsuario, bool limpaSenha, Campo foco);

  FbConnection& conexao_;
  Interaction& ui_;
  bool confirmado_ = false;
  bool temFoco_ = false;
  Campo foco_ = Campo::EdUsuario;
};

}  // namespace orvalto
