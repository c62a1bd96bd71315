#pragma once
// The settings fields of the tray window: the folders in the group
// "Locais", the proxy and the connection test in "Conexão WebService" and
// the users allowed to update. A view of FormularioConfiguracoes: every
// edit, click and exit goes there, and the fields show its state whenever
// it changes.
#include "base/app_context.h"
#include "configuracoes/formulario_configuracoes.h"

#include <QObject>

#include <map>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QWidget;

namespace orvalto {

class CamposConfiguracoes : public QObject {
  Q_OBJECT

 public:
  // Fills the two groups and takes over the list; `janela` owns the
  // password dialog.
  CamposConfiguracoes(FormularioConfiguracoes& formulario, const AppContext& ctx, QGroupBox* locais,
                      QGroupBox* webService, QListWidget* lista, QWidget* janela);

  QLineEdit* CAMINHOLOCALBACKUP = nullptr;
  QLineEdit* CAMINHOVERSOES = nullptr;
  QCheckBox* ChkProxy = nullptr;
  QLabel* lbIPProxy = nullptr;
  QLineEdit* edtIpProxy = nullptr;
  QLabel* lbPorta = nullptr;
  QLineEdit* EdtPortaProxy = nullptr;
  QCheckBox* chkUsaAutenticacao = nullptr;
  QLabel* lbUsuario = nullptr;
  QLineEdit* EdtUsuario = nullptr;
  QLabel* lbSenha = nullptr;
  QLineEdit* EdtSenha = nullptr;
  QPushButton* btTestar = nullptr;
  QLabel* lbInfoProxy = nullptr;

  // The form's state into the widgets.
  void mostra();

 protected:
  // Leaving a folder field, and a double click on one.
  bool eventFilter(QObject* alvo, QEvent* evento) override;

 private:
  void criaLocais(QGroupBox* grupo);
  void criaWebService(QGroupBox* grupo);
  QLineEdit* campoTexto(CampoFormulario id, const char* nome, QWidget* pai);
  QLineEdit* widget(CampoFormulario id) const;
  void mostraCampo(CampoFormulario id, const CampoTexto& campo, QLabel* rotulo);
  void mostraLista();
  void itemMudou(QListWidgetItem* item);
  void protege(const char* handler, const std::function<void()>& trabalho);

  FormularioConfiguracoes& formulario_;
  AppContext ctx_;
  QListWidget* lista_;
  QWidget* janela_;
  std::map<CampoFormulario, QLineEdit*> edits_;
  bool mostrando_ = false;
  QObject* campoEmUso_ = nullptr;  // the folder field the focus last came into
};

}  // namespace orvalto
