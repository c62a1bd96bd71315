#include "platform/copia_duravel.h"
#include "support/engine_fixture.h"
#include "support/rar_archives.h"
#include "support/tmpfs_pequeno.h"
#include "support/vendor_sim.h"
#include "update/instalacao_executaveis.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace orvalto;
using namespace orvalto::test;

// A full disk is reported with the file and the system's reason wherever
// the engine writes.
TEST(DiscoCheio, DownloadSaysWhichFileAndWhy) {
  EngineFixture engine;
  TmpfsPequeno disk;
  if (!disk.montado()) GTEST_SKIP() << "cannot mount a small tmpfs here";
  VendorSim sim;
  QFile package(QDir(sim.packagesDir()).filePath("Grande.rar"));
  ASSERT_TRUE(package.open(QIODevice::WriteOnly));
  package.write(QByteArray(2 * 1024 * 1024, 'g'));
  package.close();

  EXPECT_FALSE(engine.engine->FBaixaArquivo(sim.packageUrl("Grande.rar"), disk.path() + "/", false));
  const QStringList errors = engine.logLines().filter("Erro ao realizar download de versão: ");
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].contains(disk.path() + "/Grande.rar")) << errors[0].toStdString();
  EXPECT_TRUE(errors[0].endsWith("No space left on device")) << errors[0].toStdString();
  EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files), QStringList());
}

TEST(DiscoCheio, SmallFilesKeepTheirOldContentAndSayWhy) {
  TmpfsPequeno disk;
  if (!disk.montado()) GTEST_SKIP() << "cannot mount a small tmpfs here";
  const QString caminhoDir = disk.path() + "/CAMINHO.DIR";
  gravaArquivoDuravel(caminhoDir, "localhost:/antigo.fdb\r\n");
  QFile filler(disk.path() + "/enche");
  ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
  while (filler.write(QByteArray(4096, 'x')) > 0) {
  }
  filler.close();

  try {
    gravaArquivoDuravel(caminhoDir, "localhost:/novo.fdb\r\n");
    ADD_FAILURE() << "write on a full disk succeeded";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(QString(e.what()), "Erro ao gravar \"" + caminhoDir + ".copiando\": No space left on device");
  }
  QFile kept(caminhoDir);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), "localhost:/antigo.fdb\r\n");
  EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files, QDir::Name), QStringList({"CAMINHO.DIR", "enche"}));
}

TEST(DiscoCheio, InstallingAnExecutableSaysWhyTheCopyFailed) {
  TmpfsPequeno disk;
  if (!disk.montado()) GTEST_SKIP() << "cannot mount a small tmpfs here";
  QTemporaryDir tmp;
  const QString origem = tmp.filePath("Grande.exe");
  writeFile(origem, noise(1024 * 1024, 2));
  InstalacaoExecutaveis instalacao(disk.path() + "/", QDate::currentDate());

  EXPECT_FALSE(instalacao.instala(origem));
  EXPECT_EQ(instalacao.erro(), "não foi possível copiar " + origem + " para " + disk.path() +
                                   "/Grande.exe.instalando: No space left on device");
  EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}
