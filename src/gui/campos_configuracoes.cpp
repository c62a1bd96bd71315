#include "gui/campos_configuracoes.h"

#include "base/handler_guard.h"
#include "gui/senha_alcada_dialog.h"
#include "gui/texto_campo.h"

#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace orvalto {
namespace {

void pintaTexto(QWidget* campo, const QColor& cor) {
  QPalette paleta = campo->palette();
  paleta.setColor(QPalette::Text, cor);
  paleta.setColor(QPalette::WindowText, cor);
  campo->setPalette(paleta);
}

QGridLayout* grade(QGroupBox* grupo) {
  delete grupo->layout();
  auto* layout = new QGridLayout(grupo);
  layout->setContentsMargins(6, 4, 6, 4);
  layout->setVerticalSpacing(2);
  return layout;
}

}  // namespace

CamposConfiguracoes::CamposConfiguracoes(FormularioConfiguracoes& formulario, const AppContext& ctx, QGroupBox* locais,
                                         QGroupBox* webService, QListWidget* lista, QWidget* janela)
    : QObject(janela), formulario_(formulario), ctx_(ctx), lista_(lista), janela_(janela) {
  criaLocais(locais);
  criaWebService(webService);
  connect(lista_, &QListWidget::itemChanged, this, &CamposConfiguracoes::itemMudou);
  formulario_.aoMudar = [this] { mostra(); };
  formulario_.focaCampo = [this](CampoFormulario id) { widget(id)->setFocus(Qt::OtherFocusReason); };
  formulario_.mostraSenhaAlcada = [this](FbConnection& conexao) {
    TFSenhaAlcada dialogo(conexao, ctx_, janela_);
    return dialogo.executa();
  };
  mostra();
}

void CamposConfiguracoes::protege(const char* handler, const std::function<void()>& trabalho) {
  protegeHandler(ctx_, QString::fromLatin1(handler) + ": ", trabalho);
}

QLineEdit* CamposConfiguracoes::campoTexto(CampoFormulario id, const char* nome, QWidget* pai) {
  auto* campo = new QLineEdit(pai);
  campo->setObjectName(nome);
  edits_[id] = campo;
  const QString change = QString::fromLatin1(nome) + "Change";
  connect(campo, &QLineEdit::textEdited, this, [this, id, change](const QString& texto) {
    protege(change.toLatin1().constData(), [&] { formulario_.digita(id, texto); });
  });
  return campo;
}

void CamposConfiguracoes::criaLocais(QGroupBox* grupo) {
  QGridLayout* layout = grade(grupo);
  CAMINHOLOCALBACKUP = campoTexto(CampoFormulario::CAMINHOLOCALBACKUP, "CAMINHOLOCALBACKUP", grupo);
  CAMINHOVERSOES = campoTexto(CampoFormulario::CAMINHOVERSOES, "CAMINHOVERSOES", grupo);
  int linha = 0;
  for (auto [campo, rotulo] : {std::pair{CAMINHOLOCALBACKUP, "Caminho para armazenamento de backup’s"},
                               {CAMINHOVERSOES, "Caminho para armazenamento de versões"}}) {
    campo->setMaxLength(FormularioConfiguracoes::kMaxPasta);
    campo->installEventFilter(this);
    auto* label = new QLabel(QString::fromUtf8(rotulo), grupo);
    label->setBuddy(campo);
    layout->addWidget(label, linha++, 0);
    layout->addWidget(campo, linha++, 0);
  }
}

void CamposConfiguracoes::criaWebService(QGroupBox* grupo) {
  QGridLayout* layout = grade(grupo);
  ChkProxy = new QCheckBox("Possui Proxy?", grupo);
  ChkProxy->setObjectName("ChkProxy");
  btTestar = new QPushButton(QString::fromUtf8("Testar Conexão"), grupo);
  btTestar->setObjectName("btTestar");
  btTestar->setToolTip(QString::fromUtf8("Testar conexão"));
  edtIpProxy = campoTexto(CampoFormulario::edtIpProxy, "edtIpProxy", grupo);
  EdtPortaProxy = campoTexto(CampoFormulario::EdtPortaProxy, "EdtPortaProxy", grupo);
  chkUsaAutenticacao = new QCheckBox(QString::fromUtf8("Usa autenticação"), grupo);
  chkUsaAutenticacao->setObjectName("chkUsaAutenticacao");
  EdtUsuario = campoTexto(CampoFormulario::EdtUsuario, "EdtUsuario", grupo);
  EdtSenha = campoTexto(CampoFormulario::EdtSenha, "EdtSenha", grupo);
  EdtSenha->setEchoMode(QLineEdit::Password);
  EdtSenha->setMaxLength(FormularioConfiguracoes::kMaxSenhaProxy);
  lbIPProxy = new QLabel("IP do Proxy", grupo);
  lbPorta = new QLabel("Porta", grupo);
  lbUsuario = new QLabel("Usuario:", grupo);
  lbSenha = new QLabel("Senha:", grupo);
  lbInfoProxy = new QLabel(QString::fromUtf8("( ! ) Salve as alterações antes de testar a conexão."), grupo);
  lbInfoProxy->setObjectName("lbInfoProxy");
  pintaTexto(lbInfoProxy, lbInfoProxy->palette().color(QPalette::Highlight));
  for (auto [rotulo, campo, nome] : {std::tuple{lbIPProxy, edtIpProxy, "lbIPProxy"},
                                     {lbPorta, EdtPortaProxy, "lbPorta"},
                                     {lbUsuario, EdtUsuario, "lbUsuario"},
                                     {lbSenha, EdtSenha, "lbSenha"}}) {
    rotulo->setObjectName(nome);
    rotulo->setBuddy(campo);
  }
  layout->addWidget(ChkProxy, 0, 0, 1, 2);
  layout->addWidget(btTestar, 0, 2, 1, 2, Qt::AlignRight);
  layout->addWidget(lbIPProxy, 1, 0);
  layout->addWidget(edtIpProxy, 1, 1);
  layout->addWidget(lbPorta, 1, 2);
  layout->addWidget(EdtPortaProxy, 1, 3);
  layout->addWidget(chkUsaAutenticacao, 2, 0, 1, 4);
  layout->addWidget(lbUsuario, 3, 0);
  layout->addWidget(EdtUsuario, 3, 1);
  layout->addWidget(lbSenha, 3, 2);
  layout->addWidget(EdtSenha, 3, 3);
  layout->addWidget(lbInfoProxy, 4, 0, 1, 4);
  connect(ChkProxy, &QCheckBox::clicked, this,
          [this](bool marcado) { protege("ChkProxyClick", [&] { formulario_.setChkProxy(marcado); }); });
  connect(chkUsaAutenticacao, &QCheckBox::clicked, this, [this](bool marcado) {
    protege("chkUsaAutenticacaoClick", [&] { formulario_.setChkUsaAutenticacao(marcado); });
  });
  connect(btTestar, &QPushButton::clicked, this,
          [this] { protege("btTestarClick", [this] { formulario_.btTestarClick(); }); });
}

QLineEdit* CamposConfiguracoes::widget(CampoFormulario id) const { return edits_.at(id); }

bool CamposConfiguracoes::eventFilter(QObject* alvo, QEvent* evento) {
  const bool backup = alvo == CAMINHOLOCALBACKUP;
  if (!backup && alvo != CAMINHOVERSOES) return false;
  const CampoFormulario id = backup ? CampoFormulario::CAMINHOLOCALBACKUP : CampoFormulario::CAMINHOVERSOES;
  if (evento->type() == QEvent::MouseButtonDblClick) {
    protege("OpenDiretorio", [&] { formulario_.OpenDiretorio(id); });
    return true;
  }
  if (evento->type() != QEvent::FocusIn && evento->type() != QEvent::FocusOut) return false;
  // A box or another window taking the focus, and giving it back, is no
  // entry into or exit from the field.
  const Qt::FocusReason motivo = static_cast<QFocusEvent*>(evento)->reason();
  if (motivo == Qt::ActiveWindowFocusReason || motivo == Qt::PopupFocusReason) return false;
  if (evento->type() == QEvent::FocusIn) {
    campoEmUso_ = alvo;
    return false;
  }
  // A field the focus was moved away from before it ever arrived (a failed
  // check sending it back) was never entered, so it is not left either.
  if (campoEmUso_ != alvo) return false;
  campoEmUso_ = nullptr;
  protege(backup ? "CAMINHOLOCALBACKUPExit" : "CAMINHOVERSOESExit", [&] {
    if (backup)
      formulario_.CAMINHOLOCALBACKUPExit();
    else
      formulario_.CAMINHOVERSOESExit();
  });
  return false;
}

void CamposConfiguracoes::mostraCampo(CampoFormulario id, const CampoTexto& campo, QLabel* rotulo) {
  QLineEdit* edit = widget(id);
  defineTexto(edit, campo.texto);
  edit->setEnabled(campo.habilitado);
  if (rotulo) rotulo->setEnabled(campo.habilitado);
  pintaTexto(edit, campo.vermelho ? Qt::red : Qt::black);
}

void CamposConfiguracoes::mostra() {
  if (mostrando_) return;
  mostrando_ = true;
  const FormularioConfiguracoes& f = formulario_;
  mostraCampo(CampoFormulario::CAMINHOLOCALBACKUP, f.CAMINHOLOCALBACKUP, nullptr);
  mostraCampo(CampoFormulario::CAMINHOVERSOES, f.CAMINHOVERSOES, nullptr);
  mostraCampo(CampoFormulario::edtIpProxy, f.edtIpProxy, lbIPProxy);
  mostraCampo(CampoFormulario::EdtPortaProxy, f.EdtPortaProxy, lbPorta);
  mostraCampo(CampoFormulario::EdtUsuario, f.EdtUsuario, lbUsuario);
  mostraCampo(CampoFormulario::EdtSenha, f.EdtSenha, lbSenha);
  ChkProxy->setChecked(f.ChkProxy);
  chkUsaAutenticacao->setChecked(f.chkUsaAutenticacao);
  chkUsaAutenticacao->setEnabled(f.chkUsaAutenticacaoHabilitado);
  mostraLista();
  mostrando_ = false;
}

void CamposConfiguracoes::mostraLista() {
  const QList<UsuarioAtualiza>& itens = formulario_.cklistUsuariosAtualiza.itens();
  const QSignalBlocker semSinais(lista_);
  if (lista_->count() != itens.size()) {
    lista_->clear();
    for (int i = 0; i < itens.size(); ++i) lista_->addItem(QString());
  }
  for (int i = 0; i < itens.size(); ++i) {
    QListWidgetItem* item = lista_->item(i);
    item->setText(itens[i].nome);
    item->setFlags(itens[i].travado ? Qt::ItemIsUserCheckable : Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    item->setCheckState(itens[i].marcado ? Qt::Checked : Qt::Unchecked);
  }
}

void CamposConfiguracoes::itemMudou(QListWidgetItem* item) {
  if (mostrando_) return;
  protege("cklistUsuariosAtualizaClickCheck",
          [&] { formulario_.marcaUsuario(lista_->row(item), item->checkState() == Qt::Checked); });
}

}  // namespace orvalto
