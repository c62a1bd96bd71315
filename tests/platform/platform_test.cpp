#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/lista_processos.h"
#include "platform/pacote_instalado.h"
#include "platform/system.h"
#include "support/files.h"
#include "support/installation.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <utime.h>

using namespace orvalto;
using namespace orvalto::test;

namespace {

void setMTime(const QString& path, const QDateTime& when) {
  struct utimbuf t;
  t.actime = t.modtime = when.toSecsSinceEpoch();
  ASSERT_EQ(::utime(path.toLocal8Bit().constData(), &t), 0);
}

}  // namespace

TEST(Codepage, Windows1252RoundTripsIncludingTheEuroRange) {
  const QString text = QString::fromUtf8("Atualização € “ok” – Œ ™");
  const QByteArray bytes = toCp1252(text);
  EXPECT_EQ(bytes.size(), text.size());
  EXPECT_EQ(bytes.at(text.indexOf(QString::fromUtf8("€"))), '\x80');
  EXPECT_EQ(fromCp1252(bytes), text);
  EXPECT_EQ(toCp1252(QString::fromUtf8("日")), "?");
}

TEST(Codepage, UpperCaseChangesOnlyAsciiLetters) {
  EXPECT_EQ(upperAscii(QString::fromUtf8("fbguard.exe-é-ç")), QString::fromUtf8("FBGUARD.EXE-é-ç"));
}

TEST(Files, DosTimesDropTheOddSecond) {
  QTemporaryDir dir;
  const QString a = dir.filePath("a"), b = dir.filePath("b");
  writeFile(a, "x");
  writeFile(b, "y");
  const QDateTime base(QDate(2024, 5, 6), QTime(10, 20, 30));
  setMTime(a, base);
  setMTime(b, base.addSecs(1));
  EXPECT_EQ(dosFileTime(a), base);
  EXPECT_EQ(dosFileTime(b), dosFileTime(a));
  EXPECT_FALSE(dosFileTime(dir.filePath("missing")).isValid());
}

TEST(Files, CopyHonoursFailIfExistsAndKeepsPermissions) {
  QTemporaryDir dir;
  const QString from = dir.filePath("from"), to = dir.filePath("to");
  writeFile(from, "novo");
  QFile::setPermissions(from, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  writeFile(to, "velho");
  EXPECT_FALSE(copyFile(from, to, true));
  EXPECT_TRUE(copyFile(from, to, false));
  QFile f(to);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "novo");
  EXPECT_TRUE(QFileInfo(to).permissions() & QFile::ExeOwner);
  EXPECT_FALSE(copyFile(dir.filePath("missing"), to, false));
}

TEST(Files, RenameDeleteAndOneLevelFolders) {
  QTemporaryDir dir;
  writeFile(dir.filePath("a"), "1");
  writeFile(dir.filePath("b"), "2");
  EXPECT_FALSE(renameFile(dir.filePath("a"), dir.filePath("b")));  // never over an existing file
  EXPECT_TRUE(renameFile(dir.filePath("a"), dir.filePath("c")));
  EXPECT_TRUE(deleteFile(dir.filePath("c")));
  EXPECT_FALSE(deleteFile(dir.filePath("c")));
  EXPECT_TRUE(createFolder(dir.filePath("um")));
  EXPECT_FALSE(createFolder(dir.filePath("dois/tres")));
  EXPECT_FALSE(createFolder(dir.filePath("um")));
}

TEST(Files, WildcardListingIgnoresCase) {
  QTemporaryDir dir;
  for (const char* name : {"A.RAR", "b.rar", "c.txt", "semponto"}) writeFile(dir.filePath(name), "");
  EXPECT_EQ(listFiles(dir.path(), "*.rar"), QStringList({"A.RAR", "b.rar"}));
  EXPECT_EQ(listFiles(dir.path(), "*.*").size(), 4);
  EXPECT_EQ(withSeparator("/x"), "/x/");
  EXPECT_EQ(withSeparator("/x/"), "/x/");
}

// Counts a program nothing else runs: the suite runs copies of its own
// binaries side by side, so their number changes while a test looks.
TEST(Processes, CountsAProgramByNameInAnyLetterCase) {
  const QString name = QStringLiteral("Dorminhoco-%1").arg(QCoreApplication::applicationPid());
  {
    const test::NamedProcess sleeper(name);
    EXPECT_EQ(FContaProcessos(name), 1);
    EXPECT_EQ(FContaProcessos(name.toUpper()), 1);
    EXPECT_EQ(FContaProcessos(name.toLower()), 1);
  }
  EXPECT_EQ(FContaProcessos(name), 0);
  EXPECT_EQ(FContaProcessos("no-such-program-here"), 0);
}

TEST(Processes, GuardianNameCanBeOverriddenForTests) {
  const QString self = QFileInfo(runningExecutablePath()).fileName();
  qputenv("ORVALTO_GUARDIAN", self.toUpper().toLocal8Bit());
  EXPECT_TRUE(FGuardiaoAtivo());
  qputenv("ORVALTO_GUARDIAN", "no-such-guardian");
  EXPECT_FALSE(FGuardiaoAtivo());
  qunsetenv("ORVALTO_GUARDIAN");
  EXPECT_EQ(guardianProcessName(), "fbguard");
}

TEST(IniFile, SectionsAndKeysIgnoreCaseAndValuesStayRaw) {
  QTemporaryDir dir;
  const QString path = dir.filePath("x.ini");
  writeFile(path, "[conexao]\r\nCAMINHO=C:\\Dados\\ORVALTO.FDB ; not a comment\r\nsenha=\r\n[Outra]\r\nA=1\r\nB=2\r\n");
  const IniFile ini(path);
  EXPECT_EQ(ini.value("Conexao", "Caminho"), "C:\\Dados\\ORVALTO.FDB ; not a comment");
  EXPECT_TRUE(ini.contains("CONEXAO", "Senha"));
  EXPECT_EQ(ini.value("Conexao", "Usuario", "nada"), "nada");
  ASSERT_EQ(ini.sectionLines("outra").size(), 2);
  EXPECT_EQ(ini.sectionLines("outra").first().first, "A");
  EXPECT_THROW(IniFile(dir.filePath("missing.ini")), std::runtime_error);
}

TEST(Files, ACopyThatCannotReadFailsAndLeavesTheTargetAlone) {
  QTemporaryDir dir;
  const QString to = dir.filePath("to");
  writeFile(to, "velho");
  // A kernel file without a read operation: every read fails.
  EXPECT_FALSE(copyFile("/proc/self/clear_refs", to, false));
  QFile f(to);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "velho");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"to"}));
}

TEST(Files, ACopyKeepsTheModificationTime) {
  QTemporaryDir dir;
  const QDateTime when(QDate(2023, 1, 2), QTime(3, 4, 6));
  writeFile(dir.filePath("a"), "x");
  setMTime(dir.filePath("a"), when);
  ASSERT_TRUE(copyFile(dir.filePath("a"), dir.filePath("b"), true));
  EXPECT_EQ(dosFileTime(dir.filePath("b")), when);
}

TEST(ArquivoDoPacote, OnlyAFileTheListNamesThroughAnyLinkBelongsToThePackage) {
  QTemporaryDir dir;
  const QString programa = dir.filePath("orvalto-atualizador");
  const QString lista = dir.filePath("orvalto-atualizador.list");
  for (const QString& caminho : {programa, lista}) {
    QFile f(caminho);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    if (caminho == lista) f.write(("/.\n" + dir.path() + "\n" + programa + "\n").toUtf8());
  }
  ASSERT_TRUE(QFile::link(programa, dir.filePath("atalho")));
  EXPECT_TRUE(orvalto::arquivoDoPacote(programa, lista));
  EXPECT_TRUE(orvalto::arquivoDoPacote(dir.filePath("atalho"), lista));
  EXPECT_FALSE(orvalto::arquivoDoPacote(dir.filePath("OLD-orvalto-atualizador"), lista));
  EXPECT_FALSE(orvalto::arquivoDoPacote(programa, dir.filePath("sem-lista.list")));
}
