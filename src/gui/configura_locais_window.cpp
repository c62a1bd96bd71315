#include "gui/configura_locais_window.h"

#include "app/configura_locais.h"
#include "base/handler_guard.h"
#include "gui/campos_configuracoes.h"
#include "gui/teclas_formulario.h"
#include "gui/widget_interaction.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace orvalto {
namespace {

constexpr int kLargura = 400;
constexpr int kAltura = 425;
constexpr int kAlturaBotoes = 32;
constexpr int kColunasUsuarios = 4;
constexpr int kBordaLista = 24;  // the list's frame and its scroll bar

}  // namespace

QIcon iconeOrvalto() {
  QPixmap desenho(32, 32);
  desenho.fill(Qt::transparent);
  QPainter pintor(&desenho);
  pintor.setRenderHint(QPainter::Antialiasing);
  QPainterPath gota;
  gota.moveTo(16, 2);
  gota.cubicTo(16, 2, 5, 16, 5, 21);
  gota.cubicTo(5, 27, 10, 30, 16, 30);
  gota.cubicTo(22, 30, 27, 27, 27, 21);
  gota.cubicTo(27, 16, 16, 2, 16, 2);
  pintor.fillPath(gota, QColor(30, 120, 200));
  pintor.setBrush(QColor(255, 255, 255, 160));
  pintor.setPen(Qt::NoPen);
  pintor.drawEllipse(QRectF(10, 18, 5, 6));
  return QIcon(desenho);
}

ConfiguraLocaisWindow::ConfiguraLocaisWindow(TfrmConfiguraLocais& form, WidgetInteraction& ui, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      form_(form),
      ui_(ui) {
  setObjectName("frmConfiguraLocais");
  setWindowTitle(form_.Caption());
  setWindowIcon(iconeOrvalto());
  setFixedSize(kLargura, kAltura);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(criaPanel1(), 1);
  layout->addWidget(criaPanelBotoes());
  campos_ = new CamposConfiguracoes(form_.Formulario(), form_.context(), grupoLocais_, grupoWebService_,
                                    cklistUsuariosAtualiza_, this);
  new TeclasFormulario(this, &form_.UltimaTecla, [this](bool proximo) { focusNextPrevChild(proximo); });
  criaIconeBandeja();
}

ConfiguraLocaisWindow::~ConfiguraLocaisWindow() { ui_.setTrayIcon(nullptr); }

QWidget* ConfiguraLocaisWindow::criaPanel1() {
  auto* panel1 = new QFrame(this);
  panel1->setObjectName("Panel1");
  panel1->setFrameShape(QFrame::StyledPanel);
  auto* layout = new QVBoxLayout(panel1);
  grupoLocais_ = new QGroupBox("Locais", panel1);
  grupoLocais_->setLayout(new QVBoxLayout);
  grupoWebService_ = new QGroupBox(QString::fromUtf8("Conexão WebService"), panel1);
  grupoWebService_->setLayout(new QVBoxLayout);
  // Four columns: the names run down each column and on into the next.
  cklistUsuariosAtualiza_ = new QListWidget(panel1);
  cklistUsuariosAtualiza_->setObjectName("cklistUsuariosAtualiza");
  cklistUsuariosAtualiza_->setFlow(QListView::TopToBottom);
  cklistUsuariosAtualiza_->setWrapping(true);
  cklistUsuariosAtualiza_->setUniformItemSizes(true);
  const int larguraColuna = (kLargura - 2 * layout->contentsMargins().left() - kBordaLista) / kColunasUsuarios;
  cklistUsuariosAtualiza_->setGridSize(QSize(larguraColuna, cklistUsuariosAtualiza_->fontMetrics().height() + 4));
  auto* rotulo = new QLabel("Usuarios que podem atualizar:", panel1);
  rotulo->setBuddy(cklistUsuariosAtualiza_);
  layout->addWidget(grupoLocais_);
  layout->addWidget(grupoWebService_);
  layout->addWidget(rotulo);
  layout->addWidget(cklistUsuariosAtualiza_, 1);
  return panel1;
}

QWidget* ConfiguraLocaisWindow::criaPanelBotoes() {
  auto* panelBotoes = new QFrame(this);
  panelBotoes->setObjectName("PanelBotoes");
  panelBotoes->setFixedHeight(kAlturaBotoes);
  auto* layout = new QHBoxLayout(panelBotoes);
  layout->setContentsMargins(4, 2, 4, 2);
  btGravar_ = new QPushButton("&Gravar", panelBotoes);
  btGravar_->setObjectName("btGravar");
  btMinimizar_ = new QPushButton("&Minimizar", panelBotoes);
  btMinimizar_->setObjectName("btMinimizar");
  layout->addStretch(1);
  layout->addWidget(btGravar_);
  layout->addWidget(btMinimizar_);
  connect(btMinimizar_, &QPushButton::clicked, this, &ConfiguraLocaisWindow::minimizaParaBandeja);
  connect(btGravar_, &QPushButton::clicked, this, [this] {
    protegeHandler(form_.context(), QStringLiteral("btGravarClick: "), [this] { form_.Formulario().btGravarClick(); });
  });
  return panelBotoes;
}

void ConfiguraLocaisWindow::criaIconeBandeja() {
  popupMenu1_ = new QMenu(this);
  popupMenu1_->setObjectName("PopupMenu1");
  QAction* pmAbrir = popupMenu1_->addAction("Abrir");
  pmAbrir->setObjectName("PmAbrir");
  connect(pmAbrir, &QAction::triggered, this, &ConfiguraLocaisWindow::abre);
  ctIcon_ = new QSystemTrayIcon(iconeOrvalto(), this);
  ctIcon_->setObjectName("CTIcon");
  ctIcon_->setToolTip("Orvalto Atualizador");
  ctIcon_->setContextMenu(popupMenu1_);
  connect(ctIcon_, &QSystemTrayIcon::activated, this, &ConfiguraLocaisWindow::CTIconActivated);
  ctIcon_->show();
  ui_.setTrayIcon(ctIcon_);
}

void ConfiguraLocaisWindow::CTIconActivated(QSystemTrayIcon::ActivationReason motivo) {
  if (motivo == QSystemTrayIcon::DoubleClick) abre();
}

void ConfiguraLocaisWindow::abre() {
  protegeHandler(form_.context(), QStringLiteral("PmAbrirClick: "), [this] {
    form_.PmAbrirClick();
    if (isVisible()) {
      raise();
      activateWindow();
      return;
    }
    centraliza();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    FormShow();
  });
}

void ConfiguraLocaisWindow::FormShow() {
  protegeHandler(form_.context(), QStringLiteral("FormShow: "), [this] {
    if (!form_.FormShow()) minimizaParaBandeja();
  });
}

void ConfiguraLocaisWindow::minimizaParaBandeja() { hide(); }

void ConfiguraLocaisWindow::closeEvent(QCloseEvent* evento) {
  // The window never closes: the program keeps serving from the tray.
  evento->ignore();
  minimizaParaBandeja();
}

void ConfiguraLocaisWindow::changeEvent(QEvent* evento) {
  QWidget::changeEvent(evento);
  // Hiding inside the state change confuses some window managers: leave
  // it to the event loop.
  if (evento->type() == QEvent::WindowStateChange && isMinimized())
    QTimer::singleShot(0, this, [this] {
      if (isMinimized()) minimizaParaBandeja();
    });
}

void ConfiguraLocaisWindow::centraliza() {
  if (const QScreen* tela = QGuiApplication::primaryScreen())
    move(tela->availableGeometry().center() - rect().center());
}

}  // namespace orvalto
