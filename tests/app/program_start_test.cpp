// The built program started as an installation starts it.
#include "support/installation.h"
#include "support/product_db.h"
#include "support/terminal_connect.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <pwd.h>
#include <unistd.h>
#include <utime.h>

using namespace orvalto;
using namespace orvalto::test;
using namespace std::chrono_literals;

namespace {

QString uniqueName(const QString& stem) { return QString("%1-%2").arg(stem).arg(::getpid()); }

QProcessEnvironment guardian(const QString& name) {
  QProcessEnvironment env;
  env.insert("ORVALTO_GUARDIAN", name);
  return env;
}

// The program checks for the guardian every half second and sleeps between
// checks: a half-second sleep begun shows it is past its one-second pause
// and its count of copies, waiting for the guardian.
bool waitsForTheGuardian(const Installation& inst, int checks = 1) {
  return waitUntil([&] { return inst.sleepsBegun(500) >= checks; }, 15s, 50ms);
}

bool tableExists(const QString& location, const QString& table) {
  auto db = connectTo(location);
  return !db->query("SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = ?", {table}).isEmpty();
}

}  // namespace

TEST(ProgramStart, ASecondCopyInAnotherFolderAndLetterCaseRefusesAndTouchesNothing) {
  const QString name = uniqueName("orvtest-unico");
  Installation first(name);
  Installation second(name.toUpper());
  // The first copy waits for a guardian that never comes: it holds its name.
  first.start({"--headless"}, guardian(uniqueName("never-guardian")));
  ASSERT_TRUE(waitsForTheGuardian(first)) << first.stop().toStdString();
  QProcess& refused = second.start();
  ASSERT_TRUE(refused.waitForFinished(15000));
  EXPECT_EQ(refused.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(refused.exitCode(), 0);
  EXPECT_TRUE(QString::fromUtf8(refused.readAllStandardError())
                  .contains(QString::fromUtf8("Alerta: O aplicativo de atualização já está aberto.")));
  EXPECT_EQ(second.files(), QStringList({name.toUpper()}));
  EXPECT_EQ(first.process().state(), QProcess::Running);
}

TEST(ProgramStart, WaitsForTheGuardianAndTouchesNothingMeanwhile) {
  const QString location = freshDatabase();
  Installation inst(uniqueName("orvtest-guarda"));
  writeCaminhoIni(inst.folder(), location);
  const QString guard = uniqueName("fakeguard");
  inst.start({"--headless"}, guardian(guard));
  // Found absent twice, and nothing done about it.
  ASSERT_TRUE(waitsForTheGuardian(inst, 2)) << inst.stop().toStdString();
  EXPECT_FALSE(tableExists(location, "VERSOESCAB"));
  EXPECT_EQ(inst.files(), QStringList({"Caminho.ini", inst.exeName()}));

  NamedProcess guardianProcess(guard);
  ASSERT_TRUE(waitUntil([&] { return tableExists(location, "VERSOESCAB"); }, 15s, 50ms));
  EXPECT_EQ(inst.process().state(), QProcess::Running);
}

TEST(ProgramStart, ANewerCopyInTheVersionsFolderBecomesTheRunningFile) {
  const QString location = freshDatabase();
  QTemporaryDir versions;
  Installation inst(uniqueName("orvtest-troca"));
  {
    auto db = connectTo(location);
    db->execute("CREATE TABLE VERSOESCAB (CAMINHOVERSOES VARCHAR(255))");
    db->execute("INSERT INTO VERSOESCAB (CAMINHOVERSOES) VALUES (?)", {versions.path() + "/"});
  }
  writeCaminhoIni(inst.folder(), location);
  // The candidate: the same program with a marker appended, dated tomorrow.
  const QString candidate = versions.filePath(inst.exeName());
  ASSERT_TRUE(QFile::copy(inst.exePath(), candidate));
  {
    QFile f(candidate);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("newer-copy-marker");
  }
  struct utimbuf t;
  t.actime = t.modtime = QDateTime::currentDateTime().addDays(1).toSecsSinceEpoch();
  ASSERT_EQ(::utime(candidate.toLocal8Bit().constData(), &t), 0);

  inst.start({"--headless"}, guardian("fbguard"));
  const QString oldCopy = inst.filePath("OLD-" + inst.exeName());
  ASSERT_TRUE(waitUntil([&] { return QFile::exists(oldCopy); }, 20s, 50ms)) << inst.stop().toStdString();
  ASSERT_TRUE(waitUntil([&] { return QFileInfo(inst.exePath()).size() == QFileInfo(candidate).size(); }, 10s, 50ms));
  QFile running(inst.exePath());
  ASSERT_TRUE(running.open(QIODevice::ReadOnly));
  EXPECT_TRUE(running.readAll().endsWith("newer-copy-marker"));
  EXPECT_TRUE(QFileInfo(inst.exePath()).isExecutable());
}

TEST(ProgramStart, AStopRequestEndsTheGuardianWaitCleanly) {
  Installation inst(uniqueName("orvtest-parada"));
  QProcess& program = inst.start({"--headless"}, guardian(uniqueName("never-guardian")));
  ASSERT_TRUE(waitsForTheGuardian(inst)) << inst.stop().toStdString();
  program.terminate();
  ASSERT_TRUE(program.waitForFinished(5000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);
  EXPECT_EQ(inst.files(), QStringList({inst.exeName()}));
}

// The package's binary belongs to the service's user: root starting it
// runs as that user, before anything touches a file.
TEST(ProgramStart, RootStartingAnotherUsersExecutableBecomesThatUser) {
  const passwd* dono = ::getpwnam("firebird");
  if (::geteuid() != 0 || !dono) GTEST_SKIP() << "needs root and the firebird user";
  const uid_t uid = dono->pw_uid;
  const gid_t gid = dono->pw_gid;
  Installation inst(uniqueName("orvtest-dono"));
  ASSERT_EQ(::chown(inst.folder().toLocal8Bit().constData(), uid, gid), 0);
  ASSERT_EQ(::chown(inst.exePath().toLocal8Bit().constData(), uid, gid), 0);
  QProcess& program = inst.start({"--headless"}, guardian(uniqueName("never-guardian")));
  const QString status = QString("/proc/%1/status").arg(program.processId());
  const auto linha = [&](const QString& campo) {
    QFile f(status);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    for (const QString& l : QString::fromLatin1(f.readAll()).split('\n'))
      if (l.startsWith(campo + ":")) return l.section(':', 1).simplified();
    return QString();
  };
  const QString todos = QString("%1 %1 %1 %1");
  ASSERT_TRUE(waitUntil([&] { return linha("Uid") == todos.arg(uid); }, 15s)) << linha("Uid").toStdString();
  EXPECT_EQ(linha("Gid"), todos.arg(gid));
  EXPECT_FALSE(linha("Groups").split(' ').contains("0"));
  EXPECT_TRUE(inst.stop().contains("executando como firebird"));
}

TEST(ProgramStart, AFirstStartLeavesTheFullTablesAndTheInitialRowAndALaterOneNoDdl) {
  const QString location = freshDatabase();
  Installation inst(uniqueName("orvtest-tabelas"));
  writeCaminhoIni(inst.folder(), location);
  // Start-up and then the tray window each bring the tables up to date: a
  // new database reaches all its columns in these two connections.
  inst.start({"--headless"}, guardian("fbguard"));
  ASSERT_TRUE(waitUntil([&] { return columnsOf(*connectTo(location), "VERSOESCAB").size() == 17; }, 20s, 50ms));
  ASSERT_TRUE(waitUntil([&] { return tableExists(location, "VERSOESITEM"); }, 10s, 50ms));
  inst.stop();
  auto db = connectTo(location);
  const QueryResult row = db->query("SELECT * FROM VERSOESCAB");
  ASSERT_EQ(row.rows.size(), 1);
  EXPECT_EQ(row.value(0, "USUARIOSATUALIZAVERSAO").toString(), "ADMIN,MESTRE");
  EXPECT_TRUE(db->query("SELECT * FROM VERSOESITEM").isEmpty());

  const auto format = [&] {
    return connectTo(location)
        ->query("SELECT RDB$FORMAT AS F FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'VERSOESCAB'")
        .value(0, "F")
        .toInt();
  };
  const int before = format();
  inst.start({"--headless"}, guardian("fbguard"));
  // Terminals are served once start-up and the tray window, each with its
  // look at the tables, are done.
  EXPECT_TRUE(answersIdleStatus(inst.port(), 20s)) << inst.stop().toStdString();
  EXPECT_EQ(inst.process().state(), QProcess::Running);
  inst.stop();
  EXPECT_EQ(format(), before);
}
