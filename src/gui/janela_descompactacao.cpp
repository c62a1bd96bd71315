#include "gui/janela_descompactacao.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

namespace orvalto {
namespace {

constexpr int kLargura = 314;
constexpr int kAltura = 140;
const QColor kFundo(180, 180, 180);
const QColor kTextoBarra(54, 54, 54);

QLabel* rotulo(QWidget* pai, const QString& nome, const QRect& onde) {
  auto* label = new QLabel(pai);
  label->setObjectName(nome);
  label->setGeometry(onde);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  QFont fonte = label->font();
  fonte.setBold(true);
  label->setFont(fonte);
  return label;
}

}  // namespace

JanelaDescompactacao::JanelaDescompactacao(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("frmProgressoDescompactado");
  setWindowTitle("Descompactando arquivos");
  setFixedSize(kLargura, kAltura);
  QPalette cores = palette();
  cores.setColor(QPalette::Window, kFundo);
  setPalette(cores);
  setAutoFillBackground(true);

  label1_ = rotulo(this, "Label1", QRect(1, 8, kLargura - 2, 22));
  label1_->setText("Descompactando arquivos");
  lbMensagem_ = rotulo(this, "LbMensagem", QRect(1, kAltura - 30, kLargura - 2, 22));
  lbMensagem_->setWordWrap(true);
  QPalette corBarra = lbMensagem_->palette();
  corBarra.setColor(QPalette::WindowText, kTextoBarra);
  lbMensagem_->setPalette(corBarra);
  progresso_ = new QProgressBar(this);
  progresso_->setObjectName("Progresso");
  progresso_->setGeometry(0, kAltura - 60, kLargura, 25);
  progresso_->setRange(0, 100);
  progresso_->hide();
  label1_->hide();
  lbMensagem_->hide();
}

void JanelaDescompactacao::mostra() {
  if (const QScreen* tela = QGuiApplication::primaryScreen())
    move(tela->availableGeometry().center() - rect().center());
  label1_->show();
  lbMensagem_->show();
  show();
  raise();
}

void JanelaDescompactacao::atualiza(int posicao, const QString& barra) {
  progresso_->setValue(posicao);
  lbMensagem_->setText(barra);
}

void JanelaDescompactacao::esconde() {
  label1_->hide();
  lbMensagem_->hide();
  progresso_->setValue(0);
  hide();
}

}  // namespace orvalto
