#include "db/sql_helpers.h"
#include "platform/copia_duravel.h"
#include "support/engine_fixture.h"
#include "support/files.h"
#include "support/product_db.h"
#include "support/tmpfs_pequeno.h"
#include "update/arquivos_backup.h"
#include "update/copia_arquivo.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <atomic>
#include <thread>

using namespace orvalto;
using namespace orvalto::test;

namespace {

QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files, QDir::Name); }

// The server opens backups and restored files as its own user: they live
// where it can reach them.
QString serverReachableFolder() {
  QDir().mkpath("/tmp/orvalto-databases");
  return "/tmp/orvalto-databases/" + currentTestName() + "-XXXXXX";
}

struct BackupFixture : ::testing::Test, EngineFixture {
  QTemporaryDir backups{serverReachableFolder()};
  QString databaseFile = location.section(':', 1);

  void SetUp() override {
    ::chmod(QFile::encodeName(backups.path()).constData(), 0777);
    setBackupFolder(backups.path() + "/", 2);
    CnOrvalto().execute("CREATE TABLE MARCA (V VARCHAR(20))");
    CnOrvalto().execute("INSERT INTO MARCA (V) VALUES (\"antes\")");
  }
  void TearDown() override {
    for (const QString& name :
         QDir(QFileInfo(databaseFile).path()).entryList({QFileInfo(databaseFile).fileName() + ".*"}))
      QFile::remove(QFileInfo(databaseFile).path() + "/" + name);
  }
  void setBackupFolder(const QString& folder, int keep) {
    engine->FConectaBases(true);
    CnOrvalto().execute("UPDATE VERSOESCAB SET CAMINHOLOCALBACKUP = ?, NUMEROBACKUP = ?", {folder, keep});
  }
  QString cab(const QString& column) {
    engine->FConectaBases(true);
    return FRetornaValorCampo(CnOrvalto(), "VERSOESCAB", column);
  }
  QStringList marks(const QString& where) {
    const std::unique_ptr<FbConnection> db = connectTo(where);
    QStringList values;
    for (const auto& row : db->query("SELECT V FROM MARCA ORDER BY V").rows) values.append(row[0].toString());
    return values;
  }
};

}  // namespace

TEST(BackupFiles, NamesStampsAndTheDatabasePath) {
  EXPECT_EQ(nomeBackup("D:/Copias/", QDateTime(QDate(2024, 3, 8), QTime(14, 30, 5))),
            "D:/Copias/BkpOrvalto_080324143005.FB");
  EXPECT_EQ(caminhoArquivoBanco("servidor:/dados/ORVALTO.FDB"), "/dados/ORVALTO.FDB");
  EXPECT_EQ(caminhoArquivoBanco("localhost/3050:C:\\Dados\\ORVALTO.FDB"), "C:\\Dados\\ORVALTO.FDB");
  EXPECT_EQ(caminhoArquivoBanco("C:\\Dados\\ORVALTO.FDB"), "C:\\Dados\\ORVALTO.FDB");
  EXPECT_EQ(caminhoArquivoBanco("/dados/ORVALTO.FDB"), "/dados/ORVALTO.FDB");
  EXPECT_TRUE(ehNomeBackup("BkpOrvalto_010124000001.fb"));
  EXPECT_FALSE(ehNomeBackup("BkpOrvalto_0101240000.FB"));
  EXPECT_FALSE(ehNomeBackup("BkpOrvalto_010124000001.FB.copiando"));
}

// The latest stamp wins across years, in the folder itself only (no
// subfolder, no link); the rotation keeps the newest ones, never fewer than
// one, and touches nothing else.
TEST(BackupFiles, ChoiceAndRotation) {
  QTemporaryDir dir;
  const QString folder = dir.path() + "/";
  ASSERT_TRUE(QDir(folder).mkdir("antigos"));
  for (const char* name : {"BkpOrvalto_311223235959.FB", "BkpOrvalto_150623120000.FB", "notas.txt",
                           "BkpOrvalto_311299235959.fbk", "Outro.FB", "antigos/BkpOrvalto_010124000001.fb"})
    writeFile(folder + name, "x");
  ASSERT_TRUE(QFile::link(folder + "notas.txt", folder + "BkpOrvalto_020124000001.FB"));
  EXPECT_EQ(backupMaisRecente(folder), folder + "BkpOrvalto_311223235959.FB");
  QFile::remove(folder + "BkpOrvalto_020124000001.FB");

  QStringList listed;
  PListaArquivosExtensao(folder, "fb", listed);
  listed.sort();
  EXPECT_EQ(listed, QStringList({folder + "BkpOrvalto_150623120000.FB", folder + "BkpOrvalto_311223235959.FB",
                                 folder + "Outro.FB"}));

  EXPECT_TRUE(PLimpaBackupsAntigos(folder, 0));
  EXPECT_EQ(filesIn(folder),
            QStringList({"BkpOrvalto_311223235959.FB", "BkpOrvalto_311299235959.fbk", "Outro.FB", "notas.txt"}));
  EXPECT_TRUE(QFile::exists(folder + "antigos/BkpOrvalto_010124000001.fb"));
}

TEST(BackupFiles, CopyIsWholeWithItsOwnerAndLeavesNoTemporary) {
  QTemporaryDir dir;
  QByteArray bytes(3 * 1024 * 1024 + 17, Qt::Uninitialized);
  QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
  writeFile(dir.filePath("origem"), bytes);
  ::chmod(QFile::encodeName(dir.filePath("origem")).constData(), 0640);
  writeFile(dir.filePath("destino"), "older and shorter");

  PCopiaArquivo(dir.filePath("origem"), dir.filePath("destino"));
  EXPECT_EQ(readFile(dir.filePath("destino")), bytes);
  EXPECT_EQ(donoDe(dir.filePath("destino")).modo, 0640u);
  EXPECT_EQ(filesIn(dir.path()), QStringList({"destino", "origem"}));

  try {
    PCopiaArquivo(dir.filePath("nada"), dir.filePath("outro"));
    ADD_FAILURE() << "copy of a missing file succeeded";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(QString(e.what()), "Erro ao abrir \"" + dir.filePath("nada") + "\": No such file or directory");
  }
  EXPECT_EQ(filesIn(dir.path()), QStringList({"destino", "origem"}));
}

TEST_F(BackupFixture, BackupRotatesAndTheRestorePutsItBackOnlyWhenAlone) {
  for (const char* name : {"BkpOrvalto_311223235959.FB", "BkpOrvalto_010124000001.FB", "notas.txt"})
    writeFile(backups.filePath(name), "old");

  ASSERT_TRUE(engine->FRealizaBackup());
  QStringList after = filesIn(backups.path());
  ASSERT_EQ(after.size(), 3) << after.join(" ").toStdString();
  EXPECT_TRUE(after.removeOne("BkpOrvalto_010124000001.FB"));
  EXPECT_TRUE(after.removeOne("notas.txt"));
  const QString made = backups.filePath(after.value(0));
  EXPECT_TRUE(ehNomeBackup(after.value(0)));
  EXPECT_EQ(cab("FAZERBACKUP"), "N");
  EXPECT_FALSE(engine->Indicador().ligado());
  EXPECT_FALSE(ui.progressVisible);
  EXPECT_EQ(ui.shown().value(0).caption, "Fazendo backup do banco de dados.");
  // The copy belongs to the server's user like the database, so the server
  // opens it.
  EXPECT_EQ(donoDe(made).uid, donoDe(databaseFile).uid);
  EXPECT_EQ(marks("localhost:" + made), QStringList({"antes"}));

  CnOrvalto().execute("INSERT INTO MARCA (V) VALUES (\"depois\")");
  {
    const std::unique_ptr<FbConnection> other = connectTo(location);
    EXPECT_FALSE(engine->FRestauraBackup());
  }
  EXPECT_EQ(cab("FAZERBACKUP"), "S");
  EXPECT_EQ(marks(location), QStringList({"antes", "depois"}));
  EXPECT_TRUE(
      logLines().contains("FRestauraBackup: Existem outras conexões ao banco de dados; o backup não foi restaurado."));

  const DonoArquivo owner = donoDe(databaseFile);
  ASSERT_TRUE(engine->FRestauraBackup());
  EXPECT_EQ(marks(location), QStringList({"antes"}));
  EXPECT_EQ(cab("FAZERBACKUP"), "N");
  const QStringList kept = QDir(QFileInfo(databaseFile).path()).entryList({QFileInfo(databaseFile).fileName() + ".*"});
  ASSERT_EQ(kept.size(), 1);
  EXPECT_TRUE(kept[0].contains(".ANTES-RESTORE-"));
  EXPECT_EQ(marks("localhost:" + QFileInfo(databaseFile).path() + "/" + kept[0]), QStringList({"antes", "depois"}));
  const DonoArquivo restored = donoDe(databaseFile);
  EXPECT_EQ(std::tie(restored.uid, restored.gid, restored.modo), std::tie(owner.uid, owner.gid, owner.modo));
  EXPECT_TRUE(QFile::exists(made));
  EXPECT_FALSE(engine->Indicador().ligado());
}

TEST_F(BackupFixture, RestoreWithoutBackupsOrRoomChangesNothing) {
  EXPECT_FALSE(engine->FRestauraBackup());
  EXPECT_EQ(cab("FAZERBACKUP"), "S");
  EXPECT_EQ(marks(location), QStringList({"antes"}));
  EXPECT_TRUE(logLines().last().startsWith("FRestauraBackup: Nenhum backup encontrado em"));

  // A backup larger than the room beside the database (sparse: it takes no
  // room itself).
  QFile enorme(backups.filePath("BkpOrvalto_010124000001.FB"));
  ASSERT_TRUE(enorme.open(QIODevice::WriteOnly) && enorme.resize(qint64(1) << 42));
  enorme.close();
  EXPECT_FALSE(engine->FRestauraBackup());
  const QString linha = logLines().last();
  EXPECT_TRUE(
      linha.startsWith("FRestauraBackup: Espaço insuficiente em \"" + QFileInfo(databaseFile).path() + "\": livres "))
      << linha.toStdString();
  EXPECT_TRUE(linha.endsWith(" (backup de 4194304.0 MiB mais a margem de 209779.2 MiB). O backup não foi restaurado."))
      << linha.toStdString();
  EXPECT_EQ(marks(location), QStringList({"antes"}));
  EXPECT_TRUE(QDir(QFileInfo(databaseFile).path()).entryList({QFileInfo(databaseFile).fileName() + ".*"}).isEmpty());
}

// A clock set wrong gives other backups any stamp: the rotation keeps the
// backup this run made, and the restore puts back that one. The copies of
// the replaced database are capped like the backups.
TEST_F(BackupFixture, ThisRunsBackupIsKeptAndRestoredWhateverTheStamps) {
  setBackupFolder(backups.path() + "/", 1);
  writeFile(backups.filePath("BkpOrvalto_010199000000.FB"), "newer-named");
  ASSERT_TRUE(engine->FRealizaBackup());
  const QString made = Backup().BackupDestaExecucao().caminho;
  EXPECT_EQ(filesIn(backups.path()), QStringList({QFileInfo(made).fileName()}));

  writeFile(backups.filePath("BkpOrvalto_010199000000.FB"), "newer-named");
  const QString banco = QFileInfo(databaseFile).fileName();
  writeFile(databaseFile + ".ANTES-RESTORE-010120000000", "older copy");
  writeFile(databaseFile + ".ANTES-RESTORE-311299000000", "newer-named copy");
  CnOrvalto().execute("INSERT INTO MARCA (V) VALUES (\"depois\")");
  ASSERT_TRUE(engine->FRestauraBackup());
  EXPECT_EQ(marks(location), QStringList({"antes"}));
  EXPECT_TRUE(QFile::exists(made));
  const QStringList kept = QDir(QFileInfo(databaseFile).path()).entryList({banco + ".*"});
  ASSERT_EQ(kept.size(), 1) << kept.join(" ").toStdString();
  EXPECT_EQ(marks("localhost:" + QFileInfo(databaseFile).path() + "/" + kept[0]), QStringList({"antes", "depois"}));
  EXPECT_EQ(logLines()
                .filter(QRegularExpression("^FRestauraBackup: Cópia anterior .*ANTES-RESTORE-(010120|311299)000000\" "
                                           "apagada: ficam no máximo 1\\.$"))
                .size(),
            2)
      << logLines().join("\n").toStdString();

  // A backup changed since it was made is not put back.
  writeFile(made, "truncated");
  EXPECT_FALSE(engine->FRestauraBackup());
  EXPECT_TRUE(logLines().last().startsWith("FRestauraBackup: O backup desta atualização \"" + made +
                                           "\" não está como foi feito"));
  EXPECT_EQ(marks(location), QStringList({"antes"}));
}

// Under the backup lock another connection may attach and write during the
// copy: the copy is still a whole database the server opens as it is, and
// the lock is gone afterwards, as is one a stopped copy had left.
TEST_F(BackupFixture, CopyUnderTheLockOpensWhileAnotherConnectionWrites) {
  // About 16 MiB that do not compress, so that the copy takes a while.
  CnOrvalto().execute("CREATE TABLE LASTRO (DADOS VARCHAR(32000))");
  CnOrvalto().execute(
      "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 512) DO BEGIN "
      "INSERT INTO LASTRO VALUES (LPAD('', 32000, UUID_TO_CHAR(GEN_UUID()) || UUID_TO_CHAR(GEN_UUID()))); "
      "I = I + 1; END END");
  // A lock left held by a copy that was stopped is ended first.
  connectTo(location)->execute("ALTER DATABASE BEGIN BACKUP");
  std::atomic<bool> parar{false};
  std::atomic<int> escritas{0}, sobTrava{0};
  std::thread escritor([&] {
    const std::unique_ptr<FbConnection> db = connectTo(location);
    while (!parar) {
      db->execute("INSERT INTO MARCA (V) VALUES (\"estação\")");
      ++escritas;
      if (db->query("SELECT MON$BACKUP_STATE FROM MON$DATABASE").rows.value(0).value(0).toInt() == 1) ++sobTrava;
    }
  });
  // The writer is attached and writing before the backup starts.
  for (QDeadlineTimer prazo(30000); escritas == 0 && !prazo.hasExpired();) std::this_thread::yield();
  bool feito = false;
  try {
    feito = engine->FRealizaBackup();
  } catch (const std::exception& e) {
    ADD_FAILURE() << e.what();
  }
  parar = true;
  escritor.join();
  ASSERT_TRUE(feito);
  EXPECT_GT(sobTrava.load(), 0) << "no write happened while the copy was locked";

  const QString made = Backup().BackupDestaExecucao().caminho;
  const std::unique_ptr<FbConnection> copia = connectTo("localhost:" + made);
  const QueryResult lastro = copia->query("SELECT COUNT(*), MIN(CHAR_LENGTH(DADOS)) FROM LASTRO");
  EXPECT_EQ(lastro.rows.value(0).value(0).toLongLong(), 512);
  EXPECT_EQ(lastro.rows.value(0).value(1).toLongLong(), 32000);
  EXPECT_EQ(copia->query("SELECT MON$BACKUP_STATE FROM MON$DATABASE").rows.value(0).value(0).toInt(), 0);
  EXPECT_EQ(donoDe(made).uid, donoDe(databaseFile).uid);
  EXPECT_EQ(connectTo(location)->query("SELECT MON$BACKUP_STATE FROM MON$DATABASE").rows.value(0).value(0).toInt(), 0);
  EXPECT_FALSE(QFile::exists(databaseFile + ".delta"));
  EXPECT_TRUE(
      logLines().contains("FRealizaBackup: O banco estava em modo de backup, deixado por uma cópia interrompida; "
                          "modo encerrado."));
}

// A full disk fails the backup with the system's reason and leaves nothing
// behind, not even the folder's temporary copy.
TEST_F(BackupFixture, FullDiskFailsTheBackupAndLeavesNoFile) {
  TmpfsPequeno mountPoint;
  if (!mountPoint.montado()) GTEST_SKIP() << "cannot mount a small tmpfs here";
  setBackupFolder(mountPoint.path() + "/novo/", 2);

  try {
    engine->FRealizaBackup();
    ADD_FAILURE() << "backup on a full disk succeeded";
  } catch (const std::runtime_error& e) {
    // Found before anything is written, with the figures.
    const QString text = QString::fromUtf8(e.what());
    EXPECT_TRUE(text.startsWith("[ERRO]:3| Erro ao realizar backup; Espaço insuficiente em \"" + mountPoint.path() +
                                "/novo/\": livres "))
        << e.what();
    EXPECT_TRUE(text.contains(" MiB (banco de dados de ")) << e.what();
  }
  EXPECT_EQ(QDir(mountPoint.path() + "/novo").entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
  EXPECT_EQ(cab("FAZERBACKUP"), "S");
  EXPECT_FALSE(engine->Indicador().ligado());
  EXPECT_FALSE(ui.progressVisible);
}

TEST_F(BackupFixture, DatabaseLocationCheck) {
  EXPECT_TRUE(engine->FVerificaCaminhoBanco());  // Caminho.ini alone
  QFile::remove(exeDir.filePath("Caminho.ini"));
  EXPECT_THROW(engine->FVerificaCaminhoBanco(), std::runtime_error);
  writeFile(exeDir.filePath("Aliases.ini"), "[ORVALTO]\r\nPATH=" + location.toUtf8() + "\r\n");
  EXPECT_TRUE(engine->FVerificaCaminhoBanco());
  QFile::remove(exeDir.filePath("Aliases.ini"));
  writeFile(exeDir.filePath("Caminho.Dir"), location.toUtf8() + "\r\n");
  EXPECT_TRUE(engine->FVerificaCaminhoBanco());
}

TEST_F(BackupFixture, FolderCheckWarnsAboutTheFirstFolderNotRight) {
  const QString ok = backups.path() + "/";
  const struct {
    QString backup, versions, warning;
  } cases[] = {
      {"   ", ok, "Caminho para armazenamento de backup’s não foi configurado corretamente."},
      {"/no/such/folder/", "/nor/this/", "Caminho para armazenamento de backup’s não foi encontrado."},
      {ok, "", "Caminho para armazenamento de versões não foi configurado corretamente."},
      {ok, "/no/such/folder/", "Caminho para armazenamento de versões não foi encontrado."},
  };
  for (const auto& c : cases) {
    ui.clear();
    CnOrvalto().execute("UPDATE VERSOESCAB SET CAMINHOLOCALBACKUP = ?, CAMINHOVERSOES = ?", {c.backup, c.versions});
    EXPECT_FALSE(engine->FVerificaPastas());
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(ui.messages()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(ui.messages()[0].text, c.warning);
  }
  ui.clear();
  CnOrvalto().execute("UPDATE VERSOESCAB SET CAMINHOLOCALBACKUP = ?, CAMINHOVERSOES = ?", {ok, versionsFolder()});
  EXPECT_TRUE(engine->FVerificaPastas());
  EXPECT_TRUE(ui.messages().isEmpty());
}

// Links planted at the temporary names of the backup (for every stamp of
// the next two minutes, dangling) and of the restore (at the live file's
// side, pointing at a file) are removed, never written through.
TEST_F(BackupFixture, LinksAtTheTemporaryNamesAreNotFollowed) {
  QTemporaryDir fora;
  writeFile(fora.filePath("vitima"), "intacto");
  const QDateTime agora = QDateTime::currentDateTime();
  for (int s = -2; s <= 120; ++s)
    ASSERT_TRUE(QFile::link(fora.filePath("criado"), nomeBackup(backups.path() + "/", agora.addSecs(s)) + ".copiando"));
  ASSERT_TRUE(engine->FRealizaBackup());
  EXPECT_FALSE(QFileInfo::exists(fora.filePath("criado")));

  CnOrvalto().execute("INSERT INTO MARCA (V) VALUES (\"depois\")");
  ASSERT_TRUE(QFile::link(fora.filePath("vitima"), databaseFile + ".RESTAURANDO.copiando"));
  ASSERT_TRUE(engine->FRestauraBackup()) << logLines().join("\n").toStdString();
  EXPECT_EQ(marks(location), QStringList({"antes"}));
  EXPECT_EQ(readFile(fora.filePath("vitima")), "intacto");
}
