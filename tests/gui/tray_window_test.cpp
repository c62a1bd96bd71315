// The tray window on a (virtual) desktop, over the real behaviour and
// database.
#include "app/configura_locais.h"
#include "base/version.h"
#include "gui/campos_configuracoes.h"
#include "gui/configura_locais_window.h"
#include "gui/widget_interaction.h"
#include "gui_app.h"
#include "db/firebird_connection.h"
#include "support/engine_fixture.h"
#include "support/product_db.h"
#include "support/terminal_connect.h"
#include "support/tray_form_fixture.h"
#include "update/atualizador.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <stdexcept>

using namespace orvalto;
using namespace orvalto::test;
using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds kEspera = 10s;
class JanelaNaBandeja : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::make_unique<TrayFolder>(sharedTrayDatabase("gui_tests"), &ui);
    form = std::make_unique<TfrmConfiguraLocais>(folder->ctx, 0);
    janela = std::make_unique<ConfiguraLocaisWindow>(*form, ui);
  }
  void TearDown() override {
    janela.reset();
    form.reset();
  }

  void abreEAtiva() {
    janela->abre();
    ASSERT_TRUE(janela->isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowActive(janela.get()));
  }

  WidgetInteraction ui;
  std::unique_ptr<TrayFolder> folder;
  std::unique_ptr<TfrmConfiguraLocais> form;
  std::unique_ptr<ConfiguraLocaisWindow> janela;
};

TEST_F(JanelaNaBandeja, StartsInTheTrayWithItsTitleSizeAndMenu) {
  EXPECT_FALSE(janela->isVisible());
  EXPECT_EQ(janela->windowTitle(), QString("Orvalto Atualizador Servidor - ") + VersaoAtualizador);
  EXPECT_EQ(janela->size(), QSize(400, 425));
  EXPECT_EQ(janela->minimumSize(), janela->maximumSize());
  EXPECT_FALSE(janela->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(janela->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(janela->CTIcon().isVisible());
  EXPECT_EQ(janela->CTIcon().toolTip(), "Orvalto Atualizador");
  ASSERT_NE(janela->CTIcon().contextMenu(), nullptr);
  const auto acoes = janela->CTIcon().contextMenu()->actions();
  ASSERT_EQ(acoes.size(), 1);
  EXPECT_EQ(acoes.first()->text(), "Abrir");
  EXPECT_NE(janela->findChild<QWidget*>("Panel1"), nullptr);
  EXPECT_EQ(janela->findChild<QWidget*>("PanelBotoes")->height(), 32);
  EXPECT_EQ(janela->btGravar()->text(), "&Gravar");
  EXPECT_EQ(janela->btMinimizar()->text(), "&Minimizar");
  EXPECT_EQ(janela->grupoLocais()->title(), "Locais");
  EXPECT_EQ(janela->grupoWebService()->title(), QString::fromUtf8("Conexão WebService"));
}

// Showing loads the settings: the versions folder the database holds at
// that moment appears in its field.
TEST_F(JanelaNaBandeja, OpeningRunsFormShowOnlyWhenTheWindowWasHidden) {
  QTemporaryDir um, dois;
  auto db = connectTo(sharedTrayDatabase("gui_tests"));
  db->execute("UPDATE VERSOESCAB SET CAMINHOVERSOES = ?", {um.path() + "/"});
  janela->CTIcon().contextMenu()->actions().first()->trigger();  // "Abrir"
  EXPECT_TRUE(janela->isVisible());
  EXPECT_TRUE(form->frmAtualizador()->conexao().connected());
  db->execute("UPDATE VERSOESCAB SET CAMINHOVERSOES = ?", {dois.path() + "/"});
  emit janela->CTIcon().activated(QSystemTrayIcon::DoubleClick);
  EXPECT_EQ(janela->campos().CAMINHOVERSOES->text(), um.path() + "/");
  janela->btMinimizar()->click();
  EXPECT_FALSE(janela->isVisible());
  emit janela->CTIcon().activated(QSystemTrayIcon::DoubleClick);
  EXPECT_TRUE(janela->isVisible());
  EXPECT_EQ(janela->campos().CAMINHOVERSOES->text(), dois.path() + "/");
}

TEST_F(JanelaNaBandeja, ARefusedServerDesignationSendsTheWindowBackLoadedAllTheSame) {
  QTemporaryDir versoes;
  connectTo(sharedTrayDatabase("gui_tests"))
      ->execute("UPDATE VERSOESCAB SET NOMESERVIDOR = 'OUTRA', CAMINHOVERSOES = ?", {versoes.path() + "/"});
  whenMessageBoxOpens([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
  janela->abre();
  EXPECT_FALSE(janela->isVisible());
  EXPECT_EQ(janela->campos().CAMINHOVERSOES->text(), versoes.path() + "/");
}

TEST_F(JanelaNaBandeja, ClosingHidesInTheTrayAndTheTerminalsAreStillServed) {
  abreEAtiva();
  EXPECT_FALSE(janela->close());
  EXPECT_FALSE(janela->isVisible());
  auto t = connectTerminal(form->Server().porta());
  ASSERT_TRUE(t);
  t->envia("[STATUS]");
  EXPECT_TRUE(t->aguardaRecebido("[STATUS]:0|", kEspera));
}

TEST_F(JanelaNaBandeja, MinimisingGoesToTheTray) {
  abreEAtiva();
  janela->showMinimized();
  EXPECT_TRUE(waitUntil([&] { return !janela->isVisible(); }, kEspera));
  janela->abre();
  EXPECT_TRUE(janela->isVisible());
  EXPECT_FALSE(janela->isMinimized());
}

TEST_F(JanelaNaBandeja, EnterAndUpArrowMoveBetweenFields) {
  auto* primeiro = new QLineEdit;
  auto* segundo = new QLineEdit;
  auto* numero = new QSpinBox;
  janela->grupoLocais()->layout()->addWidget(primeiro);
  janela->grupoLocais()->layout()->addWidget(segundo);
  janela->grupoLocais()->layout()->addWidget(numero);
  abreEAtiva();
  primeiro->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), primeiro);

  QTest::keyPress(primeiro, Qt::Key_Return);
  EXPECT_EQ(QApplication::focusWidget(), segundo);
  EXPECT_EQ(form->UltimaTecla, 13);  // kept while the key is down
  QTest::keyRelease(segundo, Qt::Key_Return);
  EXPECT_EQ(form->UltimaTecla, 0);

  QTest::keyClick(segundo, Qt::Key_Up);
  EXPECT_EQ(QApplication::focusWidget(), primeiro);
  // The control never sees the arrow: the number does not step up.
  numero->setFocus();
  QTest::keyClick(numero, Qt::Key_Up);
  EXPECT_EQ(QApplication::focusWidget(), segundo);
  EXPECT_EQ(numero->value(), 0);

  QTest::keyPress(primeiro, Qt::Key_A);
  EXPECT_EQ(form->UltimaTecla, 65);
  QTest::keyRelease(primeiro, Qt::Key_A);
}

TEST_F(JanelaNaBandeja, CtrlDeleteIsSwallowed) {
  auto* campo = new QLineEdit("abc def");
  janela->grupoLocais()->layout()->addWidget(campo);
  abreEAtiva();
  campo->setFocus();
  campo->setCursorPosition(0);
  QTest::keyClick(campo, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(campo->text(), "abc def");
  QTest::keyClick(campo, Qt::Key_Delete);
  EXPECT_EQ(campo->text(), "bc def");
}

TEST_F(JanelaNaBandeja, BalloonsReachTheTrayIconCut) {
  form->PMostraBalao(QString(80, 'T'), QString(400, 'x'), 1, 10);
  EXPECT_EQ(ui.ultimoBalao().titulo.size(), 63);
  EXPECT_EQ(ui.ultimoBalao().texto.size(), 255);
  EXPECT_EQ(ui.ultimoBalao().icone, QSystemTrayIcon::Information);
  EXPECT_EQ(ui.ultimoBalao().milissegundos, 10000);
}

// The database cannot be reached any more when the settings are read (the
// engine's connection, opened before, stays attached to the old place).
TEST_F(JanelaNaBandeja, AFailingShowIsReportedAndTheWindowStaysUsable) {
  form->PmAbrirClick();
  FbConnection& produto = AcessoMotor::conexao(*form->frmAtualizador());
  produto.setParams("localhost:/nowhere/orvalto.fdb", produto.user(), produto.password());
  QString mostrado;
  whenMessageBoxOpens([&](QMessageBox* box) {
    mostrado = box->text();
    box->button(QMessageBox::Ok)->click();
  });
  janela->abre();
  EXPECT_TRUE(mostrado.startsWith("FormShow: ")) << mostrado.toStdString();
  EXPECT_FALSE(folder->logLines().filter(" - FormShow: ").isEmpty());
  EXPECT_TRUE(janela->isVisible());
}

// The real window on a real X server: tests named "OnAnXServer" run under
// xvfb-run, each as a CTest entry of its own (tests/CMakeLists.txt).
TEST_F(JanelaNaBandeja, OpensOnAnXServerWithItsTitle) {
  janela->abre();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(janela.get()));
  QProcess xwininfo;
  xwininfo.start("xwininfo", {"-name", janela->windowTitle()});
  ASSERT_TRUE(xwininfo.waitForFinished(static_cast<int>(kEspera.count())));
  const QString info = QString::fromUtf8(xwininfo.readAllStandardOutput());
  EXPECT_TRUE(info.contains("Map State: IsViewable")) << info.toStdString();
  EXPECT_TRUE(info.contains("Width: 400")) << info.toStdString();
  EXPECT_TRUE(info.contains("Height: 425")) << info.toStdString();
}

}  // namespace
