// The tray window's behaviour without widgets: what its creation sets up,
// its hooks, and the self-replacement at program end.
#include "app/configura_locais.h"
#include "base/handler_guard.h"
#include "base/version.h"
#include "db/firebird_connection.h"
#include "support/files.h"
#include "support/product_db.h"
#include "support/qt_app.h"
#include "support/terminal_connect.h"
#include "support/tray_form_fixture.h"
#include "update/atualizador.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>

#include <stdexcept>

using namespace orvalto;
using namespace orvalto::test;
using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds kEspera = 10s;

struct JanelaBandeja : ::testing::Test {
  void SetUp() override { ensureQtApp(); }
  TrayFolder folder{sharedTrayDatabase("app_tests")};
};

TEST_F(JanelaBandeja, CreationSetsTitleTimerEngineAndFlags) {
  TfrmConfiguraLocais form(folder.ctx, 0);
  EXPECT_EQ(form.Caption(), QString("Orvalto Atualizador Servidor - ") + VersaoAtualizador);
  EXPECT_TRUE(form.TmAgendamento().isActive());
  EXPECT_EQ(form.TmAgendamento().interval(), 60000);
  ASSERT_NE(form.frmAtualizador(), nullptr);
  EXPECT_FALSE(form.frmAtualizador()->conexao().connected());  // opened by each piece of work
  EXPECT_FALSE(form.EmAtualizacao);
  EXPECT_FALSE(form.EmDownload);
  EXPECT_TRUE(form.IPSolicitante.isEmpty());
  EXPECT_TRUE(form.Server().ativo());
  EXPECT_TRUE(folder.scripted.messages().isEmpty());
  // AbreConexoes ran the upkeep: the control tables exist.
  auto db = connectTo(sharedTrayDatabase("app_tests"));
  EXPECT_NO_THROW(db->query("SELECT COUNT(*) FROM VERSOESCAB"));
  EXPECT_NO_THROW(db->query("SELECT COUNT(*) FROM VERSOESITEM"));
}

TEST_F(JanelaBandeja, WithoutTheDatabaseTheWindowStillServesTerminals) {
  writeCaminhoIni(folder.path(), "localhost:/nowhere/orvalto.fdb");
  TfrmConfiguraLocais form(folder.ctx, 0);
  ASSERT_FALSE(folder.scripted.messages().isEmpty());
  EXPECT_EQ(folder.scripted.messages().first().caption, QString::fromUtf8("Atenção"));
  auto t = connectTerminal(form.Server().porta());
  ASSERT_TRUE(t);
  t->envia("[STATUS]");
  EXPECT_TRUE(t->aguardaRecebido("[STATUS]:0|", kEspera));
}

TEST_F(JanelaBandeja, APortInUseIsReportedAndTheRestRuns) {
  QTcpServer ocupante;
  ASSERT_TRUE(ocupante.listen(QHostAddress::Any, 0));
  TfrmConfiguraLocais form(folder.ctx, ocupante.serverPort());
  EXPECT_FALSE(form.Server().ativo());
  ASSERT_EQ(folder.scripted.messages().size(), 1);
  EXPECT_TRUE(folder.scripted.messages().first().text.startsWith("Server: "));
  EXPECT_TRUE(form.TmAgendamento().isActive());
  ASSERT_NE(form.frmAtualizador(), nullptr);
}

TEST_F(JanelaBandeja, TheSchedulerTickRunsItsHookInsideTheBoundary) {
  TfrmConfiguraLocais form(folder.ctx, 0);
  int ticks = 0;
  // The tick the window connected gives way to the test's, behind the same boundary.
  QObject::disconnect(&form.TmAgendamento(), &QTimer::timeout, &form, nullptr);
  conectaProtegido(folder.ctx, &form.TmAgendamento(), &QTimer::timeout, &form, "TmAgendamentoTimer: ", [&] {
    if (++ticks == 1) throw std::runtime_error("sem agenda");
  });
  form.TmAgendamento().setInterval(1);
  ASSERT_TRUE(waitUntil([&] { return ticks >= 2; }, kEspera));
  form.TmAgendamento().stop();
  EXPECT_FALSE(folder.logLines().filter(" - TmAgendamentoTimer: sem agenda").isEmpty());
}

TEST_F(JanelaBandeja, BalloonsGoThroughTheInteraction) {
  TfrmConfiguraLocais form(folder.ctx, 0);
  form.PMostraBalao("Orvalto Atualizador", "Realizando download do arquivo A.rar", 1, 10);
  ASSERT_EQ(folder.scripted.balloons().size(), 1);
  EXPECT_EQ(folder.scripted.balloons().first().text, "Realizando download do arquivo A.rar");
  EXPECT_EQ(folder.scripted.balloons().first().balloonKind, 1);
  EXPECT_EQ(folder.scripted.balloons().first().seconds, 10);
}

TEST_F(JanelaBandeja, ShowingChecksTheServerAndLoadsTheSettingsEitherWay) {
  TfrmConfiguraLocais form(folder.ctx, 0);
  QTemporaryDir versoes;
  auto db = connectTo(sharedTrayDatabase("app_tests"));
  db->execute("DELETE FROM VERSOESCAB");
  db->execute("INSERT INTO VERSOESCAB (NOMESERVIDOR, CAMINHOVERSOES) VALUES ('OUTRA', ?)", {versoes.path() + "/"});
  // Another computer is the server: asked, with no answer queued (No).
  EXPECT_FALSE(form.FormShow());
  EXPECT_EQ(form.Formulario().valores().CAMINHOVERSOES, versoes.path() + "/");
  folder.scripted.queueAnswer(true);
  EXPECT_TRUE(form.FormShow());
  EXPECT_TRUE(form.FormShow());  // this computer now: not asked again
  EXPECT_EQ(folder.scripted.shown().size(), 2);
  db->execute("DELETE FROM VERSOESCAB");
}

TEST_F(JanelaBandeja, OpeningFromTheTrayConnectsTheEngine) {
  TfrmConfiguraLocais form(folder.ctx, 0);
  form.PmAbrirClick();
  EXPECT_TRUE(form.frmAtualizador()->conexao().connected());
}

class FimDoPrograma : public JanelaBandeja {
 protected:
  void SetUp() override {
    JanelaBandeja::SetUp();
    versoes = versoesDir.path() + "/";
    {
      // The upkeep creates the tables; a row holds the versions folder.
      TfrmConfiguraLocais preparo(folder.ctx, 0);
    }
    auto db = connectTo(sharedTrayDatabase("app_tests"));
    db->execute("DELETE FROM VERSOESCAB");
    db->execute("INSERT INTO VERSOESCAB (CAMINHOVERSOES) VALUES (?)", {versoes});
  }
  void TearDown() override { connectTo(sharedTrayDatabase("app_tests"))->execute("DELETE FROM VERSOESCAB"); }

  QString executavel() const { return folder.filePath(folder.ctx.exeName); }
  QString candidato() const { return versoes + folder.ctx.exeName; }
  QString copiaAntiga() const { return folder.filePath("OLD-" + folder.ctx.exeName); }

  QTemporaryDir versoesDir;
  QString versoes;
};

TEST_F(FimDoPrograma, ANewerCopyTakesThePlaceOfTheRunningFile) {
  writeFile(executavel(), "antigo", QDateTime::fromSecsSinceEpoch(1700000000));
  // A program this machine runs: the only kind that may take the place.
  writeFile(candidato(), readFile("/bin/true") + "novo", QDateTime::fromSecsSinceEpoch(1700000100));
  QFile::setPermissions(candidato(), QFile::permissions(candidato()) | QFile::ExeOwner);
  {
    TfrmConfiguraLocais form(folder.ctx, 0);
    EXPECT_EQ(readFile(executavel()), "antigo");  // nothing happens before the end
  }
  EXPECT_TRUE(readFile(executavel()).endsWith("novo"));
  EXPECT_EQ(readFile(copiaAntiga()), "antigo");
}

TEST_F(FimDoPrograma, AnEquallyOldCopyChangesNothingAndTheEndRunsOnce) {
  writeFile(executavel(), "atual", QDateTime::fromSecsSinceEpoch(1700000000));
  writeFile(candidato(), "outro", QDateTime::fromSecsSinceEpoch(1700000000));
  TfrmConfiguraLocais form(folder.ctx, 0);
  form.FormDestroy();
  EXPECT_EQ(form.frmAtualizador(), nullptr);
  writeFile(candidato(), "outro", QDateTime::fromSecsSinceEpoch(1700000100));  // newer now, but the end has passed
  form.FormDestroy();
  EXPECT_EQ(readFile(executavel()), "atual");
  EXPECT_FALSE(QFile::exists(copiaAntiga()));
}

}  // namespace
