#include "gui/widget_interaction.h"
#include "gui/painel_progresso.h"
#include "gui/teclas_formulario.h"
#include "gui_app.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>

using namespace orvalto;
using namespace orvalto::test;

TEST(Balao, TitleTextKindAndTimeAreFittedToTheTrayIcon) {
  const BalaoBandeja b = preparaBalao(QString(70, 'T'), QString(300, 'x'), 1, 10);
  EXPECT_EQ(b.titulo, QString(63, 'T'));
  EXPECT_EQ(b.texto, QString(255, 'x'));
  EXPECT_EQ(b.icone, QSystemTrayIcon::Information);
  EXPECT_EQ(b.milissegundos, 10000);
  EXPECT_EQ(preparaBalao("t", "x", 0, 1).icone, QSystemTrayIcon::NoIcon);
  EXPECT_EQ(preparaBalao("t", "x", 2, 1).icone, QSystemTrayIcon::Warning);
  EXPECT_EQ(preparaBalao("t", "x", 3, 1).icone, QSystemTrayIcon::Critical);
  EXPECT_EQ(preparaBalao("t", "x", 4, 1).icone, QSystemTrayIcon::NoIcon);
  EXPECT_EQ(preparaBalao("t", "x", -1, 1).icone, QSystemTrayIcon::NoIcon);
  // Short texts pass whole.
  EXPECT_EQ(preparaBalao(QString(63, 'T'), "curto", 1, 10).titulo, QString(63, 'T'));
}

TEST(CaixaDeMensagem, ShowsTheIconTheCaptionAndOneOkButton) {
  WidgetInteraction ui;
  const std::pair<MessageIcon, QMessageBox::Icon> casos[] = {{MessageIcon::Information, QMessageBox::Information},
                                                             {MessageIcon::Warning, QMessageBox::Warning},
                                                             {MessageIcon::Error, QMessageBox::Critical}};
  for (const auto& [icone, esperado] : casos) {
    QMessageBox::Icon visto = QMessageBox::NoIcon;
    QString titulo, texto;
    QMessageBox::StandardButtons botoes;
    whenMessageBoxOpens([&](QMessageBox* box) {
      visto = box->icon();
      titulo = box->windowTitle();
      texto = box->text();
      botoes = box->standardButtons();
      box->button(QMessageBox::Ok)->click();
    });
    ui.showMessage(icone, QString::fromUtf8("Atenção"), "primeira\rsegunda");
    EXPECT_EQ(visto, esperado);
    EXPECT_EQ(titulo, QString::fromUtf8("Atenção"));
    EXPECT_EQ(texto, "primeira\nsegunda");  // a lone CR is the messages' line break
    EXPECT_EQ(botoes, QMessageBox::StandardButtons(QMessageBox::Ok));
  }
}

TEST(CaixaDeMensagem, AQuestionHasYesAndNoAndReturnsTheAnswer) {
  WidgetInteraction ui;
  for (const bool sim : {true, false}) {
    QMessageBox::StandardButtons botoes;
    whenMessageBoxOpens([&](QMessageBox* box) {
      botoes = box->standardButtons();
      box->button(sim ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    EXPECT_EQ(ui.askYesNo("Alerta", "Confirma?", false), sim);
    EXPECT_EQ(botoes, QMessageBox::Yes | QMessageBox::No);
  }
}

TEST(PainelDeProgresso, ShowsCaptionGaugeAndBarThenHidesEverything) {
  WidgetInteraction ui;
  PainelProgresso& p = ui.painel();
  EXPECT_FALSE(p.isVisible());
  EXPECT_EQ(p.size(), QSize(325, 158));
  EXPECT_TRUE(p.windowFlags() & Qt::FramelessWindowHint);

  ui.progressShow(QString::fromUtf8("Baixando versões"));
  EXPECT_TRUE(p.isVisible());
  EXPECT_TRUE(p.LbMensagem()->isVisible());
  EXPECT_EQ(p.LbMensagem()->text(), QString::fromUtf8("Baixando versões"));
  EXPECT_FALSE(p.pgrsArquivo()->isVisible());

  ui.progressUpdate(512, 2048, QString());
  EXPECT_TRUE(p.pgrsArquivo()->isVisible());
  EXPECT_EQ(p.pgrsArquivo()->maximum(), 2048);
  EXPECT_EQ(p.pgrsArquivo()->value(), 512);
  EXPECT_FALSE(p.StaticTextLoading()->isVisible());
  ui.progressUpdate(1024, 0, "|||");  // no total: the last maximum stays
  EXPECT_EQ(p.pgrsArquivo()->maximum(), 2048);
  EXPECT_EQ(p.pgrsArquivo()->value(), 1024);
  EXPECT_TRUE(p.StaticTextLoading()->isVisible());
  EXPECT_EQ(p.StaticTextLoading()->text(), "|||");

  // Files beyond the gauge's int range are shown in proportion.
  const qint64 dezGiB = 10LL * 1024 * 1024 * 1024;
  ui.progressUpdate(dezGiB / 2, dezGiB, QString());
  EXPECT_NEAR(double(p.pgrsArquivo()->value()) / p.pgrsArquivo()->maximum(), 0.5, 1e-6);

  ui.progressHide();
  EXPECT_FALSE(p.isVisible());
  EXPECT_FALSE(p.LbMensagem()->isVisible());
  EXPECT_TRUE(p.LbMensagem()->text().isEmpty());
  EXPECT_TRUE(p.StaticTextLoading()->text().isEmpty());
  EXPECT_FALSE(p.pgrsArquivo()->isVisible());
}

TEST(CodigoVirtual, KeysHaveTheirWindowsCodes) {
  EXPECT_EQ(codigoVirtual(Qt::Key_Return), 13);
  EXPECT_EQ(codigoVirtual(Qt::Key_Enter), 13);
  EXPECT_EQ(codigoVirtual(Qt::Key_Up), 38);
  EXPECT_EQ(codigoVirtual(Qt::Key_Delete), 46);
  EXPECT_EQ(codigoVirtual(Qt::Key_A), 65);
  EXPECT_EQ(codigoVirtual(Qt::Key_Z), 90);
  EXPECT_EQ(codigoVirtual(Qt::Key_5), 53);
  EXPECT_EQ(codigoVirtual(Qt::Key_F1), 112);
  EXPECT_EQ(codigoVirtual(Qt::Key_Escape), 27);
  EXPECT_EQ(codigoVirtual(Qt::Key_Eacute), 0);
}
