// A workstation's "[ATUALIZAR]" end to end: through the TCP port, the
// product database on the real server, the vendor simulator's package,
// registration and SMTP servers, and the files on disk.
#include "app/configura_locais.h"
#include "db/firebird_connection.h"
#include "support/product_db.h"
#include "support/qt_app.h"
#include "support/rar_archives.h"
#include "support/terminal_connect.h"
#include "support/tray_form_fixture.h"
#include "support/vendor_sim.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

using namespace orvalto;
using namespace orvalto::test;
using namespace std::chrono_literals;

namespace {

const char* const kConfigCli = "[CONFIGCLI]CODEMP:001|RAZEMP:Loja <Modelo> & Cia|NOMEMP:Centro|CGCEMP:12345678000199|";

// An installation with a queued module package, its folders, the maker's
// services on loopback and a workstation that asks for the update.
QJsonObject smtp() { return {{"user", "notifica@fabricante.test"}, {"password", "senha1234"}}; }

struct UpdateRun : ::testing::Test {
  QString location;
  std::unique_ptr<TrayFolder> folder;
  QTemporaryDir versoes, backups, work;
  std::unique_ptr<VendorSim> sim;
  std::unique_ptr<TfrmConfiguraLocais> form;

  void SetUp() override {
    ensureQtApp();
    testdb::Options options;
    options.filiais = {{"001", "12345678000199"}};
    location = freshDatabase(options);
    folder = std::make_unique<TrayFolder>(location);
    sim = std::make_unique<VendorSim>(QJsonObject{{"smtp", smtp()}});
    writeFile(folder->filePath("Atualizador.ini"),
              QString("[Fornecedor]\r\nSmtpHost=127.0.0.1\r\nSmtpPorta=%1\r\nSmtpUsuario=notifica@fabricante.test\r\n"
                      "SmtpSenha=senha1234\r\nEmailSuporte=suporte@fabricante.test\r\n")
                  .arg(sim->smtpPort())
                  .toUtf8());
    auto db = connectTo(location);
    form = std::make_unique<TfrmConfiguraLocais>(folder->ctx, 0);
    db->execute("UPDATE PARALOGIN SET WEBSERVICEWZQ = ?, LINKWEBSERVICEWZQ = ?", {sim->olderBase(), sim->newerBase()});
    db->execute(
        "UPDATE VERSOESCAB SET CAMINHOVERSOES = ?, CAMINHOLOCALBACKUP = ?, ATUALIZARBASE = 'N', NUMEROBACKUP = 3",
        {versoes.path() + "/", backups.path() + "/"});
    db->execute("INSERT INTO VERSOESITEM (CODSISTEMA, CODCLIENTE, VERSAOAATUALIZAR) VALUES ('PDV', '000123', ?)",
                {sim->packageUrl("Modulos.rar")});
  }

  // Three executables at the top and one more in a subfolder.
  void offerModules() {
    for (const char* nome : {"PDV.exe", "Retaguarda.exe", "Fiscal.exe", "extras/Ajuda.exe"})
      writeFile(work.filePath(nome), QByteArray("nova versão de ") + nome);
    writeFile(work.filePath("extras/dados.bin"), noise(256 * 1024, 7));
    runRar(work.path(), {"a", "-r", "-m0", sim->packagesDir() + "/Modulos.rar", "PDV.exe", "Retaguarda.exe",
                         "Fiscal.exe", "extras"});
  }

  int runsEnded() const { return folder->logLines().filter("FAtualizacao: PROCESSO FINALIZADO.").size(); }

  // Asks for an update from `t` and waits for the run's end; the status
  // reply asked for after it proves that every message of the run arrived.
  bool updateFrom(terminal::TerminalClient& t) {
    const int antes = runsEnded();
    t.envia("[ATUALIZAR]");
    if (!waitUntil([&] { return runsEnded() > antes; }, 120s)) return false;
    t.envia("[STATUS]");
    return t.aguardaRecebido("[STATUS]:0|", 5s);
  }

  bool runFrom(terminal::TerminalClient& t) {
    t.envia(kConfigCli);
    return waitUntil([&] { return form->Empresa.CodEmpresa == "001"; }, 5s) && updateFrom(t);
  }

  QStringList versionFiles() const { return QDir(versoes.path()).entryList(QDir::Files, QDir::Name); }
  QStringList backupFiles() const { return QDir(backups.path()).entryList({"BkpOrvalto_*.FB"}, QDir::Files); }
};

QString oldCopy(const QString& name) {
  return name.chopped(4) + "_OLD-" + QDate::currentDate().toString("dd-MM-yyyy") + ".exe";
}

}  // namespace

TEST_F(UpdateRun, AWorkstationsRequestInstallsTheQueuedModulesWhileOthersAreServed) {
  offerModules();
  // The package takes about a second to arrive: the run is on meanwhile.
  sim->setScenario(QJsonObject{
      {"smtp", smtp()}, {"packages", QJsonObject{{"Modulos.rar", QJsonObject{{"bytesPerSecond", 256 * 1024}}}}}});
  writeFile(versoes.filePath("PDV.exe"), "versão antiga");
  auto requester = connectTerminal(form->Server().porta(), "127.0.0.3");
  auto watcher = connectTerminal(form->Server().porta(), "127.0.0.2");
  ASSERT_TRUE(requester && watcher);

  // As soon as the run is on, another workstation asks for the status and
  // for an update of its own.
  // One read is one request: the second goes once the first is answered.
  QTimer probe;
  probe.setInterval(5);
  int passo = 0;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (passo == 0 && form->EmAtualizacao) {
      watcher->envia("[STATUS]");
      passo = 1;
    } else if (passo == 1 && watcher->recebido().contains("[STATUS]:1|")) {
      watcher->envia("[ATUALIZAR]");
      passo = 2;
      probe.stop();
    }
  });
  probe.start();
  ASSERT_TRUE(runFrom(*requester));

  const QString recebido = requester->recebido();
  QRegularExpression ordem(
      "\\[ATUALIZANDO\\]:1\\|.*\\[ATUALIZANDO\\]:2\\|.*\\[ATUALIZANDO\\]:3\\|.*"
      "\\[ATUALIZANDO\\]:4\\|.*\\[ATUALIZANDO\\]:5\\|",
      QRegularExpression::DotMatchesEverythingOption);
  EXPECT_TRUE(ordem.match(recebido).hasMatch()) << recebido.toStdString();
  EXPECT_TRUE(recebido.contains("[PROGRESSO]:100|"));
  EXPECT_FALSE(recebido.contains("[ERRO]"));
  ASSERT_TRUE(waitUntil([&] { return watcher->recebido().contains("[ERRO]:0"); }, 5s));
  EXPECT_TRUE(watcher->recebido().startsWith("[STATUS]:1|")) << watcher->recebido().toStdString();

  // The executables at the top, the old one under its dated name, nothing
  // left in TMP, the queue empty and the installation confirmed.
  EXPECT_EQ(versionFiles(), QStringList({"Fiscal.exe", "PDV.exe", oldCopy("PDV.exe"), "Retaguarda.exe"}));
  EXPECT_EQ(readFile(versoes.filePath("PDV.exe")), "nova versão de PDV.exe");
  EXPECT_EQ(readFile(versoes.filePath(oldCopy("PDV.exe"))), "versão antiga");
  EXPECT_TRUE(QDir(versoes.filePath("TMP")).entryList(QDir::Files).isEmpty());
  EXPECT_TRUE(connectTo(location)->query("SELECT * FROM VERSOESITEM").isEmpty());
  // The folders' file systems are recorded for the next run to compare.
  EXPECT_TRUE(
      readFile(folder->filePath("PastasRegistradas.txt")).contains("\t" + (versoes.path() + "/").toUtf8() + "\n"));
  EXPECT_EQ(
      sim->soapCalls("newer", "FConfirmaAtualizacao").size() + sim->soapCalls("older", "FConfirmaAtualizacao").size(),
      1);
  ASSERT_EQ(backupFiles().size(), 1);
  EXPECT_EQ(QFileInfo(backups.filePath(backupFiles()[0])).size(), QFileInfo(location.section(':', 1)).size());
  EXPECT_TRUE(sim->mails().isEmpty());

  const QStringList esperadas{"FAtualizacao: Iniciando Processo de Atualização.",
                              "FAtualizacao: Realizando Download de Versões.",
                              "FAtualizacao: Verificando Usuários Conectados.",
                              "FAtualizacao: Atualizando campos Locais.",
                              "FAtualizacao: Validando caminhos informados.",
                              "FAtualizacao: Verificando versões baixadas.",
                              "FAtualizacao: Realizando Backup do Banco.",
                              "FAtualizacao: Atualizando Base de Dados.",
                              "FAtualizacao: Atualizando versão do EXE no servidor.",
                              "FAtualizacao: Processo Concluido com Sucesso.",
                              "FAtualizacao: PROCESSO FINALIZADO."};
  QStringList doProcesso;
  for (const QString& linha : folder->logLines().filter(" - FAtualizacao: ")) doProcesso << linha.section(" - ", 1);
  EXPECT_EQ(doProcesso.join('\n').toStdString(), esperadas.join('\n').toStdString());
  EXPECT_TRUE(form->TmAgendamento().isActive());
  watcher->limpa();
  watcher->envia("[STATUS]");
  EXPECT_TRUE(watcher->aguardaRecebido("[STATUS]:0|", 5s));  // and it goes on serving
}

TEST_F(UpdateRun, ADamagedPackageRestoresTheBackupAndMailsTheMaker) {
  offerModules();
  flipByte(sim->packagesDir() + "/Modulos.rar", QFileInfo(sim->packagesDir() + "/Modulos.rar").size() / 2);
  auto requester = connectTerminal(form->Server().porta(), "127.0.0.3");
  ASSERT_TRUE(requester);
  ASSERT_TRUE(runFrom(*requester));

  EXPECT_TRUE(requester->recebido().endsWith("[ATUALIZANDO]:4|[ERRO]:5|[STATUS]:0|"))
      << requester->recebido().toStdString() << folder->logLines().join("\n").toStdString();
  EXPECT_TRUE(versionFiles().isEmpty() || versionFiles() == QStringList({"CAMINHO.DIR"}));
  EXPECT_EQ(connectTo(location)->query("SELECT * FROM VERSOESITEM").rows.size(), 1);
  EXPECT_EQ(folder->logLines().filter(" - FAtualizacao: Realizando Restore do banco de dados..").size(), 1);
  // The database file in use before the restore is kept beside it.
  const QFileInfo banco(location.section(':', 1));
  const QStringList anteriores = banco.dir().entryList({banco.fileName() + ".ANTES-RESTORE-*"});
  EXPECT_EQ(anteriores.size(), 1);
  for (const QString& nome : anteriores) QFile::remove(banco.dir().filePath(nome));
  const QJsonArray mails = sim->mails();
  ASSERT_EQ(mails.size(), 1);
  EXPECT_EQ(mails[0]["user"].toString(), "notifica@fabricante.test");
  EXPECT_EQ(mails[0]["to"].toArray(), QJsonArray({"suporte@fabricante.test"}));
  // The company a workstation sent is escaped in the page.
  const QString pagina = mails[0]["data"].toString().remove("=\r\n");  // quoted-printable soft breaks
  EXPECT_TRUE(pagina.contains("Loja &lt;Modelo&gt; &amp; Cia Filial:001-Centro CNPJ: 12345678000199"));
}

TEST_F(UpdateRun, StagesThatStopTheRunSayWhyToTheWorkstation) {
  offerModules();
  auto requester = connectTerminal(form->Server().porta(), "127.0.0.3");
  ASSERT_TRUE(requester);

  // Another user attached: refused, no mail, nothing installed.
  {
    auto outro = connectTo(location);
    ASSERT_TRUE(runFrom(*requester));
  }
  EXPECT_TRUE(requester->recebido().endsWith("[ERRO]:9|Existem conexões ativas no banco de dados.[STATUS]:0|"))
      << requester->recebido().toStdString() << folder->logLines().join("\n").toStdString();
  // The log names who is attached: address, user and program.
  const QStringList recusa =
      folder->logLines().filter("FAtualizacao: [ERRO]:9|Existem conexões ativas no banco de dados. Conectados: ");
  ASSERT_EQ(recusa.size(), 1) << folder->logLines().join("\n").toStdString();
  EXPECT_TRUE(recusa[0].endsWith(" Conectados: 127.0.0.1 (SYSDBA, " + QCoreApplication::applicationFilePath() + ")"))
      << recusa[0].toStdString();
  EXPECT_TRUE(backupFiles().isEmpty());

  // A backup folder that does not exist: "[ERRO]:1|" and mail 1.
  connectTo(location)->execute("UPDATE VERSOESCAB SET CAMINHOLOCALBACKUP = '/nao/existe/'");
  requester->limpa();
  ASSERT_TRUE(updateFrom(*requester));
  EXPECT_EQ(requester->recebido(), "[ERRO]:1|[STATUS]:0|");
  EXPECT_EQ(sim->mails().size(), 1);
  EXPECT_TRUE(versionFiles().isEmpty());

  // A versions folder that is not on the file system recorded for it (a
  // share not mounted leaves its empty local mount point), then one that is
  // gone: refused before any download, with the folder and the reason.
  connectTo(location)->execute("UPDATE VERSOESCAB SET CAMINHOLOCALBACKUP = ?", {backups.path() + "/"});
  QDir(versoes.path()).removeRecursively();
  QDir().mkpath(versoes.path());
  writeFile(folder->filePath("PastasRegistradas.txt"), "versoes\t999999\t" + (versoes.path() + "/\n").toUtf8());
  const qsizetype pacotes = sim->requests("package").size();
  requester->limpa();
  ASSERT_TRUE(updateFrom(*requester));
  EXPECT_EQ(requester->recebido(), "[ERRO]:1|[STATUS]:0|");
  EXPECT_TRUE(folder->logLines().join('\n').contains("FAtualizacao: Pasta de versões \"" + versoes.path() +
                                                     "/\" está em outro sistema de arquivos"))
      << folder->logLines().join("\n").toStdString();
  ASSERT_FALSE(folder->scripted.messages().isEmpty());
  EXPECT_TRUE(folder->scripted.messages().last().text.contains("está em outro sistema de arquivos"));

  connectTo(location)->execute("UPDATE VERSOESCAB SET CAMINHOVERSOES = ?", {versoes.path() + "/nao-montada/"});
  requester->limpa();
  ASSERT_TRUE(updateFrom(*requester));
  EXPECT_EQ(requester->recebido(), "[ERRO]:1|[STATUS]:0|");
  EXPECT_TRUE(folder->logLines().join('\n').contains("FAtualizacao: Pasta de versões \"" + versoes.path() +
                                                     "/nao-montada/\" não encontrada."));
  EXPECT_EQ(folder->scripted.messages().last().text, "Caminho para armazenamento de versões não foi encontrado.");
  EXPECT_EQ(sim->mails().size(), 3);
  EXPECT_EQ(sim->requests("package").size(), pacotes);
  EXPECT_EQ(QDir(versoes.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}
