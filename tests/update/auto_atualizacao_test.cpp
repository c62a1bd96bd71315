#include "update/auto_atualizacao.h"
#include "platform/files.h"
#include "support/engine_fixture.h"
#include "support/installation.h"
#include "support/product_db.h"
#include "support/rar_archives.h"
#include "support/relogio_fixo.h"
#include "support/vendor_sim.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace orvalto;
using namespace orvalto::test;

namespace {

// A program this machine runs, standing in for a newer updater.
QByteArray programa() { return readFile("/bin/true"); }

void data(const QString& caminho, const QDateTime& quando) {
  QFile f(caminho);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  ASSERT_TRUE(f.setFileTime(quando, QFileDevice::FileModificationTime));
}

struct AutoAtualizacaoTest : ::testing::Test, EngineFixture {
  VendorSim sim;
  RelogioFixo relogio{QDateTime(QDate(2025, 12, 8), QTime(9, 0))};
  int pedidosDeFim = 0;

  void SetUp() override {
    writeFile(exeDir.filePath("Atualizador.ini"),
              "[Fornecedor]\nAutoAtualizacaoURL=" + sim.selfUpdateUrl().toUtf8() + "\n");
    CnOrvalto().execute("UPDATE VERSOESCAB SET CAMINHOVERSOES = ?", {versionsFolder()});
    QDir().mkpath(tmpFolder());
    AutoAtualizacao& etapa = AutoAtualiza();
    etapa.relogio = relogio.relogio();
    etapa.encerraAplicacao = [this] { ++pedidosDeFim; };
  }
  // The package holds `bytes` as `nome`, dated `data`.
  void pacote(const QString& nome, const QByteArray& bytes, const QDateTime& quando, int modo = 0755) {
    QTemporaryDir origem;
    const QString caminho = origem.filePath(nome);
    writeFile(caminho, bytes, modo);
    ::data(caminho, quando);
    QFile::remove(QDir(sim.packagesDir()).filePath("Orvalto.rar"));
    runRar(origem.path(), {"a", QDir(sim.packagesDir()).filePath("Orvalto.rar"), nome});
  }
  QString guardado() const { return versionsFolder() + ctx.exeName; }
  int downloads() const { return sim.requests("package").size(); }
};

TEST_F(AutoAtualizacaoTest, ANewerUpdaterIsKeptOnceADayAndTheRestartAsked) {
  writeFile(guardado(), "antigo", 0755);
  writeFile(versionsFolder() + "OLD-" + ctx.exeName, "muito antigo");
  data(guardado(), QDateTime::currentDateTime().addDays(-2));
  pacote("Orvalto.exe", programa(), QDateTime::currentDateTime().addDays(-1));

  EXPECT_TRUE(engine->FAtualizaAtualizador());
  EXPECT_EQ(readFile(guardado()), programa());
  EXPECT_EQ(readFile(versionsFolder() + "OLD-" + ctx.exeName), "antigo");
  EXPECT_TRUE(console.estado.ReiniciarAoTerminar);
  EXPECT_EQ(pedidosDeFim, 1);
  EXPECT_EQ(CnOrvalto().query("SELECT DT_ATLZSERVIDOR FROM VERSOESCAB").value(0, "DT_ATLZSERVIDOR").toDate(),
            relogio.dia());

  // A second search the same day fetches nothing.
  EXPECT_FALSE(engine->FAtualizaAtualizador());
  EXPECT_EQ(downloads(), 1);
}

TEST_F(AutoAtualizacaoTest, AnEqualOrOlderUpdaterChangesNothing) {
  const QDateTime quando = QDateTime::currentDateTime().addDays(-1);
  writeFile(guardado(), "atual", 0755);
  data(guardado(), quando);
  pacote("ORVALTO.EXE", programa(), quando);

  EXPECT_FALSE(engine->FAtualizaAtualizador());
  EXPECT_EQ(readFile(guardado()), "atual");
  EXPECT_FALSE(fileExists(versionsFolder() + "OLD-" + ctx.exeName));
  EXPECT_EQ(pedidosDeFim, 0);
  // The package was extracted where only the program writes, not in the shared folder.
  EXPECT_FALSE(fileExists(tmpFolder() + ctx.exeName));
}

TEST_F(AutoAtualizacaoTest, APackageWithoutARunnableUpdaterKeepsNothing) {
  pacote("Leiame.txt", "nada", QDateTime::currentDateTime());
  EXPECT_FALSE(engine->FAtualizaAtualizador());
  EXPECT_TRUE(logLines().contains(
      QString("FAtualizaAtualizador: o pacote não contém Orvalto.exe nem %1; nada foi alterado.").arg(ctx.exeName)));

  relogio.avancaDias(1);
  pacote("Orvalto.exe", "#!/bin/sh\necho falso\n", QDateTime::currentDateTime());
  EXPECT_FALSE(engine->FAtualizaAtualizador());
  EXPECT_FALSE(fileExists(guardado()));
  EXPECT_EQ(pedidosDeFim, 0);
  EXPECT_EQ(downloads(), 2);
}

TEST_F(AutoAtualizacaoTest, AFailedDownloadIsLoggedAndNotRetriedTheSameDay) {
  EXPECT_FALSE(engine->FAtualizaAtualizador());  // no package on the server
  EXPECT_TRUE(logLines().contains(QString::fromUtf8("Erro ao realizar o download do atualizador automático.")));
  pacote("Orvalto.exe", programa(), QDateTime::currentDateTime());
  EXPECT_FALSE(engine->FAtualizaAtualizador());
  EXPECT_FALSE(fileExists(guardado()));
}

}  // namespace
