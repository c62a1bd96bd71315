#include "update/atualiza_base.h"
#include "db/schema.h"
#include "platform/codepage.h"
#include "services/dm_web_service.h"
#include "support/engine_fixture.h"
#include "support/product_db.h"
#include "support/rar_archives.h"
#include "support/relay_origem.h"
#include "support/vendor_sim.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace orvalto;
using namespace orvalto::test;

namespace {

// What the fake structure updater does besides recording its command line
// and CAMINHO.DIR beside itself.
struct Fake {
  int seconds = 0;
  int exitCode = 0;
  QString sql;  // run on the database CAMINHO.DIR names
  bool executable = true;
  QString programName = "AtualizadorBD.exe";
};

QString script(const Fake& f) {
  QString s =
      "#!/bin/sh\naqui=$(dirname \"$0\")\n{ echo \"$0 $*\"; cat \"$aqui/CAMINHO.DIR\"; } > \"$aqui/registro.txt\"\n";
  if (!f.sql.isEmpty())
    s += "echo '" + f.sql +
         "' | isql-fb -q -user SYSDBA -password quillaroz \"$(head -n 1 \"$aqui/CAMINHO.DIR\" | tr -d '\\r')\"\n";
  if (f.seconds) s += QString("sleep %1\n").arg(f.seconds);
  return s + QString("exit %1\n").arg(f.exitCode);
}

// Packs the fake into `folder`/`package` with rar, as the maker ships it.
void pack(const Fake& f, const QString& folder, const QString& package) {
  QTemporaryDir work;
  QFile program(work.filePath(f.programName));
  ASSERT_TRUE(program.open(QIODevice::WriteOnly));
  program.write(script(f).toUtf8());
  program.close();
  program.setPermissions(f.executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner : QFile::ReadOwner);
  QProcess rar;
  rar.setWorkingDirectory(work.path());
  rar.start("rar", {"a", "-idq", QDir(folder).filePath(package), f.programName});
  ASSERT_TRUE(rar.waitForFinished(30000));
  ASSERT_EQ(rar.exitCode(), 0) << rar.readAllStandardError().toStdString();
}

// The extraction the engine gets: rar extracts its own archives (by name: the
// engine's opened file is not rar's).
bool extractWithRar(const QString& archive, const QString& folder, const QString&) {
  QProcess rar;
  rar.start("rar", {"x", "-idq", "-o+", archive, folder});
  return rar.waitForFinished(30000) && rar.exitStatus() == QProcess::NormalExit && rar.exitCode() == 0;
}

struct StructureFixture : ::testing::Test, EngineFixture {
  VendorSim sim;
  SharedWebService servicos;
  std::unique_ptr<AtualizaBase> stage;
  QByteArray swapInto;  // written over the extracted program before it starts

  void SetUp() override {
    CnOrvalto().execute("UPDATE PARALOGIN SET WEBSERVICEWZQ = ?, LINKWEBSERVICEWZQ = ?",
                        {sim.olderBase(), sim.newerBase()});
    CnOrvalto().execute("UPDATE VERSOESCAB SET ATUALIZARBASE = \"S\"");
    console.estado.IPSolicitante = "10.1.1.7";
    // The replacement stage's removal of a queued package: its rows and file.
    auto apaga = [this](const QString& address) {
      CnOrvalto().execute("DELETE FROM VERSOESITEM WHERE VERSAOAATUALIZAR = ?", {address});
      if (!swapInto.isEmpty()) writeFile(versionsFolder() + "AtualizadorBD.exe", swapInto, 0755);
      return QFile::remove(versionsFolder() + address.section('/', -1));
    };
    stage = std::make_unique<AtualizaBase>(contexto(), engine->Indicador(), Download(), extractWithRar, apaga);
  }
  // The service points at `package`, which holds `fake`.
  void offer(const QString& package, const Fake& fake) {
    pack(fake, sim.packagesDir(), package);
    sim.setScenario(QJsonObject{{"parametros", QJsonObject{{"CaminhoAtualizadorBD", sim.packageUrl(package)}}}});
  }
  int keepAlives() const { return console.mensagens.count("10.1.1.7|[EXECANDWAIT]:0|"); }
  QStringList record() const {
    QFile f(versionsFolder() + "registro.txt");
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split('\n') : QStringList();
  }
};

}  // namespace

TEST_F(StructureFixture, FetchesExtractsAndRunsTheStructureUpdaterWhileTheTerminalWaits) {
  Fake fake;
  fake.seconds = 3;
  fake.sql = "CREATE TABLE ESTRUTURA_NOVA (X INTEGER);";
  offer("Atualizabd.rar", fake);
  queue(sim.packageUrl("Atualizabd.rar"));
  QFile old(versionsFolder() + "CAMINHO.DIR");
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("localhost:/outro/banco.fdb\r\n");
  old.close();

  ASSERT_TRUE(stage->FAtualizaBase(servicos));

  EXPECT_EQ(record().value(0), versionsFolder() + "AtualizadorBD.exe ORVALTO");
  EXPECT_EQ(record().value(1), location + "\r");
  EXPECT_GE(keepAlives(), 2);
  EXPECT_LE(keepAlives(), 4);
  EXPECT_TRUE(FExisteMetadado(CnOrvalto(), "", "ESTRUTURA_NOVA", TipoMetadado::Tabela));
  EXPECT_EQ(QDir(versionsFolder()).entryList(QDir::Files, QDir::Name), QStringList({"CAMINHO.DIR", "registro.txt"}));
  EXPECT_TRUE(CnOrvalto().query("SELECT * FROM VERSOESITEM").isEmpty());
  EXPECT_EQ(sim.requests("package").size(), 1);
  EXPECT_EQ(sim.soapCalls("newer", "FParametrosAtualizacao").size(), 1);
  EXPECT_FALSE(engine->Indicador().ligado());
  EXPECT_FALSE(ui.progressVisible);
  const QStringList stageLines = logLines().filter(QRegularExpression("^(?!DOWNLOAD EM : )"));
  EXPECT_EQ(
      stageLines.join("\n").toStdString(),
      QStringList({"Iniciando Atualização de base.", "Cria Progresso", "Iniciando Verificação de Atualização de base.",
                   "Realizando Atualizacao.", "Verificou usuários conectados.", "Verificando Atualizabd.rar",
                   "Realizando download do arquivo Atualizabd.rar",
                   "Pacote Atualizabd.rar aceito sem assinatura (sem assinatura): nenhuma assinatura válida foi "
                   "vista até agora.",
                   "Download do arquivo Atualizabd.rar concluido.", "Download Atualizabd.rar concluido.",
                   "Apagou caminho atualizadorbd do banco", "Criou Caminho.dir", "Executando Atualizabd",
                   "Execução com sucesso"})
          .join("\n")
          .toStdString());
}

TEST_F(StructureFixture, AnotherWorkstationAttachedIsAskedAboutUntilTheAnswerIsNo) {
  offer("Atualizabd.rar", {});
  RelayOrigem workstation("127.0.0.2", 3050);
  const std::unique_ptr<FbConnection> other = connectTo(workstation.localizacao(location.section(':', 1)));
  ui.queueAnswer(true);  // then the safe answer, No

  EXPECT_FALSE(stage->FAtualizaBase(servicos));
  int questions = 0;
  for (const auto& shown : ui.shown()) {
    if (shown.kind != "question") continue;
    ++questions;
    EXPECT_EQ(shown.caption, "Confirmação");
    EXPECT_EQ(shown.text,
              "Não é possível atualizar a base de dados com outros usuários conectados no banco:\r"
              "127.0.0.1\r127.0.0.2\r\rVoce vai desconectar estes usuários e tentar atualizar novamente?");
  }
  EXPECT_EQ(questions, 2);
  EXPECT_EQ(sim.requests("package").size(), 0);
}

TEST_F(StructureFixture, OutcomesOfTheStructureUpdater) {
  // Not asked for: the service is asked all the same, nothing is fetched.
  CnOrvalto().execute("UPDATE VERSOESCAB SET ATUALIZARBASE = \"s\"");
  offer("Atualizabd.rar", {});
  EXPECT_TRUE(stage->FAtualizaBase(servicos));
  EXPECT_EQ(sim.soapCalls("newer", "FParametrosAtualizacao").size(), 1);
  EXPECT_EQ(sim.requests("package").size(), 0);
  CnOrvalto().execute("UPDATE VERSOESCAB SET ATUALIZARBASE = \"S\"");

  // A failing structure updater is its own business: logged, not a failure.
  Fake failing;
  failing.exitCode = 3;
  offer("Falha.rar", failing);
  EXPECT_TRUE(stage->FAtualizaBase(servicos));
  EXPECT_TRUE(logLines().contains("AtualizadorBD.exe terminou com o código 3."));

  // Extracted without an execute bit: its owner gets it before the start.
  Fake notExecutable;
  notExecutable.executable = false;
  offer("NaoExecuta.rar", notExecutable);
  QFile::remove(versionsFolder() + "registro.txt");
  EXPECT_TRUE(stage->FAtualizaBase(servicos));
  EXPECT_EQ(record().value(0), versionsFolder() + "AtualizadorBD.exe ORVALTO");
  EXPECT_FALSE(QFile::exists(versionsFolder() + "AtualizadorBD.exe"));

  // Swapped in the shared folder between its extraction and its start: not run.
  swapInto = "#!/bin/sh\ntouch \"$(dirname \"$0\")/registro.txt\"\n";
  offer("Trocado.rar", {});
  QFile::remove(versionsFolder() + "registro.txt");
  EXPECT_FALSE(stage->FAtualizaBase(servicos));
  EXPECT_TRUE(record().isEmpty());
  EXPECT_TRUE(logLines().contains("AtualizadorBD.exe não foi executado: o arquivo não é o que o pacote trouxe."));
  swapInto.clear();

  Fake otherProgram;
  otherProgram.programName = "Outro.exe";
  offer("SemPrograma.rar", otherProgram);
  EXPECT_FALSE(stage->FAtualizaBase(servicos));
  EXPECT_TRUE(logLines().contains("AtualizadorBD.exe não encontrado no pacote."));

  sim.setScenario(QJsonObject{{"parametros", QJsonValue::Null}});
  EXPECT_FALSE(stage->FAtualizaBase(servicos));
  EXPECT_TRUE(logLines().last().startsWith("Erro durante atualização da base de dados: "));
}

namespace {

// A Windows program as the maker builds it: a PE file, starting with "MZ".
const QByteArray kProgramaWindows =
    QByteArray("MZ\x90\x00\x03\x00\x00\x00", 8) + "This program cannot be run in DOS mode." + noise(4000, 3);

// A launcher standing in for wine: records its arguments one a line, and
// whether the program it was given may be executed, beside itself.
QString launcher(const QString& folder) {
  const QString path = folder + "/lançador do wine.sh";
  writeFile(path,
            "#!/bin/sh\naqui=$(dirname \"$0\")\n{ for a in \"$@\"; do echo \"$a\"; done; "
            "[ -x \"$1\" ] && echo executavel; } > \"$aqui/argumentos.txt\"\n",
            0755);
  return path;
}

}  // namespace

// A package made on Windows: its entries carry no execute bit and the
// structure updater is a PE file, started through the launcher that
// Atualizador.ini names, in a versions folder whose path holds blanks.
TEST_F(StructureFixture, AWindowsProgramFromAWindowsMadePackageRunsThroughItsLauncher) {
  const QString versoes = versionsFolder() + "Versões da Loja 1/";
  QDir().mkpath(versoes);
  CnOrvalto().execute("UPDATE VERSOESCAB SET CAMINHOVERSOES = ?", {versoes});
  QTemporaryDir made;
  writeFile(made.filePath("AtualizadorBD.exe"), kProgramaWindows, 0644);
  writeFile(made.filePath("Scripts.sql"), "-- estrutura", 0644);
  runRar(made.path(), {"a", sim.packagesDir() + "/AtualizadorBD.rar", "AtualizadorBD.exe", "Scripts.sql"});
  sim.setScenario(
      QJsonObject{{"parametros", QJsonObject{{"CaminhoAtualizadorBD", sim.packageUrl("AtualizadorBD.rar")}}}});

  // No launcher (and no wine on this PATH): the stage fails saying so.
  writeFile(ctx.besideExe("Atualizador.ini"), "[Atualizacao]\r\nExecutorWindows=\r\n");
  EXPECT_FALSE(engine->FAtualizaBase(servicos));
  EXPECT_TRUE(
      logLines().contains("AtualizadorBD.exe é um programa Windows e não há executor para ele: informe "
                          "ExecutorWindows na seção [Atualizacao] do Atualizador.ini ou instale o wine."))
      << logLines().join("\n").toStdString();

  const QString executor = launcher(ctx.exeDir);
  writeFile(ctx.besideExe("Atualizador.ini"), toCp1252("[Atualizacao]\r\nExecutorWindows=" + executor + "\r\n"));
  ASSERT_TRUE(engine->FAtualizaBase(servicos)) << logLines().join("\n").toStdString();
  EXPECT_EQ(QString::fromUtf8(readFile(ctx.besideExe("argumentos.txt"))),
            versoes + "AtualizadorBD.exe\nORVALTO\nexecutavel\n");
  EXPECT_EQ(QDir(versoes).entryList(QDir::Files, QDir::Name), QStringList({"CAMINHO.DIR", "Scripts.sql"}));

  // A launcher that cannot be started fails the stage with the system's reason.
  writeFile(ctx.besideExe("Atualizador.ini"), "[Atualizacao]\r\nExecutorWindows=/nao/existe/wine\r\n");
  EXPECT_FALSE(engine->FAtualizaBase(servicos));
  EXPECT_TRUE(logLines().contains("FExecutaEEspera: \"/nao/existe/wine\": No such file or directory"));
}

// A package that does not extract leaves nothing in the versions folder and
// is deleted, so the next run fetches it again.
TEST_F(StructureFixture, ADamagedPackageIsDeletedAndLeavesNothingInTheVersionsFolder) {
  QTemporaryDir made;
  writeFile(made.filePath("AtualizadorBD.exe"), noise(60000, 4), 0755);
  writeFile(made.filePath("Dados.bin"), noise(60000, 5));
  const QString pacote = sim.packagesDir() + "/AtualizadorBD.rar";
  runRar(made.path(), {"a", "-m0", pacote, "AtualizadorBD.exe", "Dados.bin"});
  flipByte(pacote, QFileInfo(pacote).size() - 2000);
  sim.setScenario(
      QJsonObject{{"parametros", QJsonObject{{"CaminhoAtualizadorBD", sim.packageUrl("AtualizadorBD.rar")}}}});
  writeFile(versionsFolder() + "Modulo.exe", "em uso");

  for (int run = 1; run <= 2; ++run) {
    EXPECT_FALSE(engine->FAtualizaBase(servicos));
    EXPECT_EQ(QDir(versionsFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"Modulo.exe"}));
    EXPECT_EQ(sim.requests("package").size(), run);
  }
  EXPECT_TRUE(
      logLines().contains("Pacote apagado para ser baixado novamente: " + versionsFolder() + "AtualizadorBD.rar"));
}
