#include "update/troca_versoes.h"
#include "services/dm_web_service.h"
#include "support/engine_fixture.h"
#include "support/rar_archives.h"
#include "support/vendor_sim.h"
#include "update/instalacao_executaveis.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

#include <sys/stat.h>

using namespace orvalto;
using namespace orvalto::test;

namespace {

// Every file under `folder`, relative names, sorted.
QStringList filesUnder(const QString& folder) {
  QStringList out;
  QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext()) out.append(QDir(folder).relativeFilePath(it.next()));
  out.sort();
  return out;
}

QString oldCopy(const QString& name) { return FNomeCopiaAntiga(name, QDate::currentDate()); }

int modeOf(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

struct TrocaFixture : ::testing::Test, EngineFixture {
  VendorSim sim;
  SharedWebService servicos;
  QTemporaryDir staging;

  void SetUp() override {
    CnOrvalto().execute("UPDATE PARALOGIN SET WEBSERVICEWZQ = ?, LINKWEBSERVICEWZQ = ?",
                        {sim.olderBase(), sim.newerBase()});
    QDir().mkpath(tmpFolder());
  }
  // A package in `folder` (the simulator's by default) made of `files`.
  QString package(const QString& name, const QList<QPair<QString, QByteArray>>& files, QString folder = {},
                  const QStringList& switches = {}) {
    if (folder.isEmpty()) folder = sim.packagesDir();
    const QString from = staging.path() + "/" + name;
    QStringList names;
    for (const auto& [file, bytes] : files) {
      writeFile(from + "/" + file, bytes);
      names.append(file);
    }
    runRar(from, QStringList{"a"} + switches + QStringList{QDir(folder).filePath(name)} + names);
    return QDir(folder).filePath(name);
  }
  QStringList queued() {
    QStringList rows;
    for (const auto& r : CnOrvalto().query("SELECT CODSISTEMA FROM VERSOESITEM ORDER BY 1").rows)
      rows.append(r[0].toString());
    return rows;
  }
  QJsonArray confirmed() {
    QJsonArray modules;
    for (const auto& call : sim.soapCalls("newer", "FConfirmaAtualizacao"))
      for (const auto& m : call.toObject()["parameters"].toObject()["VModulosAtualizados"].toArray())
        modules.append(
            QJsonObject{{"CodCliente", m.toObject()["CodCliente"]}, {"CodSistema", m.toObject()["CodSistema"]}});
    return modules;
  }
};

}  // namespace

TEST_F(TrocaFixture, QueuedExecutablesReplaceTheOldOnesWhichKeepTheirDatedNames) {
  writeFile(versionsFolder() + "Modulo.exe", "modulo 1");
  writeFile(versionsFolder() + "Outro.exe", "outro 1");
  package("PDV.rar", {{"Modulo.exe", "modulo 2"},
                      {"Outro.exe", "outro 2"},
                      {"Novo.exe", "novo 2"},
                      {"sub/Interno.exe", "interno"},
                      {"sub/leia.txt", "leia"}});
  package("RET.rar", {{"LEIAME.txt", "leia-me"}}, tmpFolder());  // already downloaded
  writeFile(tmpFolder() + "OrvaltoAtualizador.exe", "the updater's own next version");
  queue(sim.packageUrl("PDV.rar"), "PDV", "000123");
  queue(sim.packageUrl("RET.rar"), "RET", "000456");
  ctx.exeName = "OrvaltoAtualizador.exe";
  TrocaVersoes troca(ContextoEstagio(ctx, &console, CnOrvalto()), Download());

  ASSERT_TRUE(troca.FTrocaVersoes(servicos)) << logLines().join("\n").toStdString();

  EXPECT_EQ(filesUnder(versionsFolder()), QStringList({"Modulo.exe", oldCopy("Modulo.exe"), "Novo.exe", "Outro.exe",
                                                       oldCopy("Outro.exe"), "TMP/OrvaltoAtualizador.exe"}));
  EXPECT_EQ(readFile(versionsFolder() + "Modulo.exe"), "modulo 2");
  EXPECT_EQ(readFile(versionsFolder() + oldCopy("Modulo.exe")), "modulo 1");
  EXPECT_EQ(readFile(versionsFolder() + "Novo.exe"), "novo 2");
  EXPECT_TRUE(queued().isEmpty());
  EXPECT_EQ(confirmed(), QJsonArray({QJsonObject{{"CodCliente", "000123"}, {"CodSistema", "PDV"}},
                                     QJsonObject{{"CodCliente", "000456"}, {"CodSistema", "RET"}}}));
  EXPECT_EQ(servicos.current(), nullptr);
  const QStringList lines = logLines();
  for (const QString& line :
       {"Verificando numero de versões a atualizar.", "Criando WebService", "Criando pasta temporaria caso não exista.",
        "Verificando existencia de módulos.", "Carrega lista de executaveis", "Renomeando versão antiga para OLD.",
        "Limpa tabela TMP", "Limpando tabela VERSOESITEM", "Registrando atualização de versão no WebSErvice",
        "Troca de versões realizada."})
    EXPECT_TRUE(lines.contains(line)) << line.toStdString();
  EXPECT_TRUE(lines.contains("Descompactando arquivo " + tmpFolder() + "PDV.rar"));

  // Again the same day, with a service that cannot be told: the first dated
  // copy stays, and the stage is done all the same.
  package("PDV3.rar", {{"Modulo.exe", "modulo 3"}});
  queue(sim.packageUrl("PDV3.rar"), "PDV");
  sim.setScenario(QJsonObject{
      {"endpoints",
       QJsonObject{{"newer", QJsonObject{{"operations", QJsonObject{{"FConfirmaAtualizacao",
                                                                     QJsonObject{{"httpStatus", 503}}}}}}}}}});
  ASSERT_TRUE(troca.FTrocaVersoes(servicos));
  EXPECT_EQ(readFile(versionsFolder() + "Modulo.exe"), "modulo 3");
  EXPECT_EQ(readFile(versionsFolder() + oldCopy("Modulo.exe")), "modulo 1");
  EXPECT_EQ(filesUnder(versionsFolder()).size(), 6);  // nothing kept aside, nothing half-copied
  EXPECT_TRUE(queued().isEmpty());
  bool logged = false;
  for (const QString& line : logLines()) logged |= line.startsWith("Erro ao atualizar executáveis: ");
  EXPECT_TRUE(logged);
}

// Workstations may write TMP/ too, often as the program's own user.
TEST_F(TrocaFixture, PackagesInTheSharedFolderAreUsedOnlyAsTheProgramWroteThem) {
  package("PDV.rar", {{"Modulo.exe", "modulo 2"}});
  package("RET.rar", {{"Ret.exe", "ret 2"}});
  queue(sim.packageUrl("PDV.rar"), "PDV");
  ASSERT_TRUE(Download().FBaixaVersoes(false));
  // Rewritten after the download, and one it never wrote that anybody may write.
  package("PDV.rar", {{"Modulo.exe", "planted"}}, tmpFolder());
  queue(sim.packageUrl("RET.rar"), "RET");
  const QString planted = package("RET.rar", {{"Ret.exe", "planted"}}, tmpFolder());
  ::chmod(QFile::encodeName(planted).constData(), 0666);
  writeFile(tmpFolder() + "Intruso.exe", "stray");

  ASSERT_TRUE(engine->FTrocaVersoes(servicos)) << logLines().join("\n").toStdString();
  EXPECT_EQ(readFile(versionsFolder() + "Modulo.exe"), "modulo 2");
  EXPECT_EQ(readFile(versionsFolder() + "Ret.exe"), "ret 2");
  EXPECT_FALSE(QFileInfo::exists(versionsFolder() + "Intruso.exe"));
  EXPECT_EQ(sim.requests("package").size(), 3);
  EXPECT_TRUE(logLines().contains("Pacote " + tmpFolder() +
                                  "PDV.rar não foi usado e será baixado novamente: o conteúdo não é o que o "
                                  "programa gravou"));
  EXPECT_TRUE(logLines().contains("Pacote " + tmpFolder() +
                                  "RET.rar não foi usado e será baixado novamente: outros usuários podem alterá-lo"));
}

TEST_F(TrocaFixture, APackageThatCannotBeHadOrExtractedChangesNothing) {
  writeFile(versionsFolder() + "Modulo.exe", "modulo 1");
  package("PDV.rar", {{"Modulo.exe", "modulo 2"}});
  const QString danificado = package("DMG.rar", {{"Danificado.exe", noise(50000, 9)}}, tmpFolder());
  flipByte(danificado, QFileInfo(danificado).size() - 2000);
  const QString hostil = package("HOS.rar", {{"xx/Hostil.exe", "h"}}, tmpFolder());
  renameEntry(hostil, "xx/Hostil.exe", "../Hostil.exe");
  package("PWD.rar", {{"Senha.exe", "s"}}, tmpFolder(), {"-psegredo"});
  // (the simulator has no FALTA.rar: the fetch fails)
  for (const QString& bad : {"DMG.rar", "HOS.rar", "PWD.rar", "FALTA.rar"}) {
    CnOrvalto().execute("DELETE FROM VERSOESITEM");
    queue(sim.packageUrl("PDV.rar"), "PDV");
    queue(sim.packageUrl(bad), "BAD");
    EXPECT_FALSE(engine->FTrocaVersoes(servicos)) << bad.toStdString();
    EXPECT_EQ(readFile(versionsFolder() + "Modulo.exe"), "modulo 1");
    EXPECT_FALSE(QFileInfo::exists(versionsFolder() + oldCopy("Modulo.exe")));
    EXPECT_FALSE(QFileInfo::exists(versionsFolder() + "Hostil.exe"));
    EXPECT_FALSE(QFileInfo::exists(tmpFolder() + bad)) << "a package that fails is fetched again next time";
    EXPECT_EQ(queued(), QStringList({"BAD", "PDV"}));
  }
  EXPECT_TRUE(sim.soapCalls("newer", "FConfirmaAtualizacao").isEmpty());
  EXPECT_FALSE(filesUnder(tmpFolder()).contains("Danificado.exe"));
  const QStringList lines = logLines();
  EXPECT_TRUE(lines.contains("Pacote apagado para ser baixado novamente: " + tmpFolder() + "DMG.rar"));
  EXPECT_TRUE(lines.contains("Erro ao atualizar executáveis: pacote FALTA.rar não encontrado; nada foi instalado."));
}

// A package made on Windows brings executables without execute bits, and an
// archive may carry any mode: the installed file takes the mode of the one
// it replaces, or rwxr-xr-x when new, never set-user or set-group ID.
TEST_F(TrocaFixture, InstalledExecutablesTakeTheReplacedFilesModeNeverTheArchives) {
  writeFile(versionsFolder() + "Modulo.exe", "modulo 1", 0750);
  const QString made = staging.path() + "/modos";
  writeFile(made + "/Modulo.exe", "modulo 2", 0644);
  writeFile(made + "/Novo.exe", "novo 2", 06777);
  runRar(made, {"a", sim.packagesDir() + "/PDV.rar", "Modulo.exe", "Novo.exe"});
  queue(sim.packageUrl("PDV.rar"), "PDV");

  ASSERT_TRUE(engine->FTrocaVersoes(servicos)) << logLines().join("\n").toStdString();
  EXPECT_EQ(readFile(versionsFolder() + "Modulo.exe"), "modulo 2");
  EXPECT_EQ(modeOf(versionsFolder() + "Modulo.exe"), 0750);
  EXPECT_EQ(modeOf(versionsFolder() + "Novo.exe"), 0755);
}

TEST_F(TrocaFixture, AnExecutableThatCannotBeInstalledPutsBackThoseBeforeIt) {
  writeFile(versionsFolder() + "Modulo.exe", "modulo 1");
  QDir().mkpath(versionsFolder() + "Zeta.exe");  // a folder where the last one should go
  package("PDV.rar", {{"Modulo.exe", "modulo 2"}, {"Novo.exe", "novo 2"}, {"Zeta.exe", "zeta 2"}});
  queue(sim.packageUrl("PDV.rar"), "PDV");

  EXPECT_FALSE(engine->FTrocaVersoes(servicos));
  EXPECT_EQ(filesUnder(versionsFolder()).filter(QRegularExpression("^[^/]*$")), QStringList({"Modulo.exe"}));
  EXPECT_EQ(readFile(versionsFolder() + "Modulo.exe"), "modulo 1");
  EXPECT_EQ(queued(), QStringList({"PDV"}));
  EXPECT_TRUE(sim.soapCalls("newer", "FConfirmaAtualizacao").isEmpty());
}

TEST_F(TrocaFixture, QueueRowsGoWithTheirPackageFileAndLeftoverTransfersGoAtTheNextDownload) {
  EXPECT_FALSE(engine->FTrocaVersoes(servicos));  // nothing queued: no word either
  EXPECT_FALSE(logLines().contains("Verificando numero de versões a atualizar."));

  queue(sim.packageUrl("PDV.rar"), "PDV");
  queue(sim.packageUrl("PDV.rar"), "PD2");
  queue(sim.packageUrl("RET.rar"), "RET");
  writeFile(versionsFolder() + "PDV.rar", "package");
  EXPECT_TRUE(Troca().FApagaVersaoItem(sim.packageUrl("PDV.rar")));
  EXPECT_EQ(queued(), QStringList({"RET"}));
  EXPECT_FALSE(QFileInfo::exists(versionsFolder() + "PDV.rar"));

  CnOrvalto().close();
  EXPECT_FALSE(Troca().FApagaVersaoItem(sim.packageUrl("RET.rar")));
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_TRUE(ui.messages()[0].text.startsWith("Ocorreu um erro durante a deleção 'versoesitem' :\r"));

  ASSERT_TRUE(engine->FConectaBanco());
  writeFile(tmpFolder() + "RET.rar.baixando", "cut short by a crash");
  package("RET.rar", {{"Ret.exe", "r"}});
  EXPECT_TRUE(engine->FBaixaVersoes(false));
  EXPECT_EQ(filesUnder(tmpFolder()), QStringList({"RET.rar"}));
}
