#include "gui/senha_alcada_dialog.h"

#include "base/handler_guard.h"
#include "gui/teclas_formulario.h"
#include "gui/texto_campo.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orvalto {
namespace {

constexpr int kLargura = 260;
constexpr int kAltura = 101;

}  // namespace

TFSenhaAlcada::TFSenhaAlcada(FbConnection& conexao, const AppContext& ctx, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      ctx_(ctx),
      senha_(conexao, *ctx.ui) {
  setObjectName("FSenhaAlcada");
  setWindowTitle("Senha para configurar locais");
  setFixedSize(kLargura, kAltura);
  EdUsuario = campo("EdUsuario", SenhaAlcada::Campo::EdUsuario, SenhaAlcada::kMaxUsuario);
  EdSenha = campo("EdSenha", SenhaAlcada::Campo::EdSenha, SenhaAlcada::kMaxSenha);
  EdSenha->setEchoMode(QLineEdit::Password);
  BtOk = new QPushButton("&Ok", this);
  BtCancelar = new QPushButton("&Cancelar", this);
  BtOk->setAutoDefault(false);
  BtCancelar->setAutoDefault(false);
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(8, 6, 8, 6);
  layout->setVerticalSpacing(3);
  int linha = 0;
  for (auto [rotulo, edit] : {std::pair{"Usuário:", EdUsuario}, {"Senha:", EdSenha}}) {
    auto* label = new QLabel(QString::fromUtf8(rotulo), this);
    label->setBuddy(edit);
    layout->addWidget(label, linha, 0);
    layout->addWidget(edit, linha++, 1);
  }
  auto* linhaSeparadora = new QFrame(this);
  linhaSeparadora->setFrameShape(QFrame::HLine);
  layout->addWidget(linhaSeparadora, linha++, 0, 1, 2);
  auto* botoes = new QHBoxLayout;
  botoes->addStretch(1);
  botoes->addWidget(BtOk);
  botoes->addWidget(BtCancelar);
  layout->addLayout(botoes, linha, 0, 1, 2);
  connect(BtOk, &QPushButton::clicked, this, &TFSenhaAlcada::BtOkClick);
  connect(BtCancelar, &QPushButton::clicked, this, &QDialog::reject);
  new TeclasFormulario(this, &UltimaTecla, [this](bool proximo) { focusNextPrevChild(proximo); });
  senha_.FormCreate();
}

QLineEdit* TFSenhaAlcada::campo(const char* nome, SenhaAlcada::Campo id, int maximo) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(nome);
  edit->setMaxLength(maximo);
  connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& texto) {
    senha_.digita(id, texto);
    mostra();
  });
  return edit;
}

bool TFSenhaAlcada::executa() {
  exec();
  return senha_.confirmado();
}

void TFSenhaAlcada::BtOkClick() {
  protegeHandler(ctx_, QStringLiteral("BtOkClick: "), [this] {
    if (senha_.BtOkClick()) accept();
  });
  mostra();
}

void TFSenhaAlcada::mostra() {
  defineTexto(EdUsuario, senha_.EdUsuario);
  defineTexto(EdSenha, senha_.EdSenha);
  SenhaAlcada::Campo foco;
  if (senha_.focoPedido(&foco)) (foco == SenhaAlcada::Campo::EdUsuario ? EdUsuario : EdSenha)->setFocus();
}

void TFSenhaAlcada::keyPressEvent(QKeyEvent* tecla) {
  if (tecla->key() != Qt::Key_Escape) {
    QDialog::keyPressEvent(tecla);
    return;
  }
  if (senha_.Esc()) reject();
  mostra();
}

}  // namespace orvalto
