#include "gui/painel_progresso.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>

#include <limits>

namespace orvalto {
namespace {

constexpr int kLargura = 325;
constexpr int kAltura = 158;

QLabel* rotulo(QWidget* pai, const QString& nome, const QRect& onde, Qt::Alignment alinhamento) {
  auto* label = new QLabel(pai);
  label->setObjectName(nome);
  label->setGeometry(onde);
  label->setAlignment(alinhamento);
  QFont fonte = label->font();
  fonte.setBold(true);
  label->setFont(fonte);
  label->hide();
  return label;
}

}  // namespace

PainelProgresso::PainelProgresso(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("frmAtualizador");
  setWindowTitle("Atualizador");
  setFixedSize(kLargura, kAltura);
  lbMensagem_ = rotulo(this, "LbMensagem", QRect(8, 12, kLargura - 16, 40), Qt::AlignHCenter | Qt::AlignTop);
  lbMensagem_->setWordWrap(true);
  staticTextLoading_ = rotulo(this, "StaticTextLoading", QRect(8, kAltura - 56, kLargura - 16, 20), Qt::AlignLeft);
  pgrsArquivo_ = new QProgressBar(this);
  pgrsArquivo_->setObjectName("pgrsArquivo");
  pgrsArquivo_->setGeometry(8, kAltura - 28, kLargura - 16, 18);
  pgrsArquivo_->setTextVisible(false);
  pgrsArquivo_->setStyleSheet("QProgressBar::chunk { background: silver; }");
  pgrsArquivo_->setRange(0, 100);
  pgrsArquivo_->hide();
}

void PainelProgresso::centraliza() {
  if (const QScreen* tela = QGuiApplication::primaryScreen())
    move(tela->availableGeometry().center() - rect().center());
}

void PainelProgresso::mostra(const QString& legenda) {
  lbMensagem_->setText(legenda);
  lbMensagem_->setVisible(!legenda.isEmpty());
  if (!isVisible()) centraliza();
  show();
  raise();
}

void PainelProgresso::atualiza(qint64 feito, qint64 total, const QString& detalhe) {
  if (total > 0) maximo_ = total;
  // The gauge counts in int: large files are shown in proportion.
  const qint64 escala = maximo_ / std::numeric_limits<int>::max() + 1;
  pgrsArquivo_->setRange(0, static_cast<int>(maximo_ / escala));
  pgrsArquivo_->setValue(static_cast<int>(qBound<qint64>(0, feito, maximo_) / escala));
  pgrsArquivo_->show();
  if (!detalhe.isEmpty()) {
    staticTextLoading_->setText(detalhe);
    staticTextLoading_->show();
  }
}

void PainelProgresso::esconde() {
  lbMensagem_->clear();
  lbMensagem_->hide();
  staticTextLoading_->clear();
  staticTextLoading_->hide();
  pgrsArquivo_->hide();
  hide();
}

void PainelProgresso::paintEvent(QPaintEvent*) {
  // The background picture of the panel.
  QPainter pintor(this);
  QLinearGradient fundo(0, 0, 0, height());
  fundo.setColorAt(0, QColor(236, 242, 248));
  fundo.setColorAt(1, QColor(196, 214, 232));
  pintor.fillRect(rect(), fundo);
  pintor.setPen(QColor(120, 140, 160));
  pintor.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace orvalto
