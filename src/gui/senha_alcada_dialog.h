#pragma once
// The administrator password dialog ("Senha para configurar locais"), a
// view of SenhaAlcada: user and password fields, "&Ok" and "&Cancelar".
// Esc clears the fields, or closes the dialog when they are empty.
#include "base/app_context.h"
#include "configuracoes/senha_alcada.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace orvalto {

class FbConnection;

class TFSenhaAlcada : public QDialog {
  Q_OBJECT

 public:
  // Opens the connection and ParaCad (FormCreate).
  TFSenhaAlcada(FbConnection& conexao, const AppContext& ctx, QWidget* parent = nullptr);

  // Shows the dialog modally; true when the administrator confirmed.
  bool executa();
  bool confirmado() const { return senha_.confirmado(); }

  QLineEdit* EdUsuario = nullptr;
  QLineEdit* EdSenha = nullptr;
  QPushButton* BtOk = nullptr;
  QPushButton* BtCancelar = nullptr;
  quint16 UltimaTecla = 0;

 protected:
  void keyPressEvent(QKeyEvent* tecla) override;

 private:
  QLineEdit* campo(const char* nome, SenhaAlcada::Campo id, int maximo);
  void BtOkClick();
  void mostra();

  AppContext ctx_;
  SenhaAlcada senha_;
};

}  // namespace orvalto
