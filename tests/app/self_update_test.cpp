// The updater's self-update with the real program: a search fetches a newer
// updater from the maker, and the program ends and comes back as the new
// executable, from the same path and on the same terminal port.
#include "platform/lista_processos.h"
#include "support/installation.h"
#include "support/product_db.h"
#include "support/rar_archives.h"
#include "support/terminal_connect.h"
#include "support/vendor_sim.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>

#include <unistd.h>
#include <utime.h>
#include <csignal>

using namespace orvalto;
using namespace orvalto::test;
using namespace std::chrono_literals;

namespace {

// The pid of the running process whose executable is `path`; 0 when none.
pid_t processRunning(const QString& path) {
  for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
    bool numeric = false;
    const pid_t pid = entry.toInt(&numeric);
    if (numeric && QFileInfo(QString("/proc/%1/exe").arg(pid)).symLinkTarget() == path) return pid;
  }
  return 0;
}

QString logOf(const Installation& inst) {
  QString texto;
  for (const QString& nome : inst.files())
    if (nome.startsWith("ATLZ")) texto += QString::fromLatin1(readFile(inst.filePath(nome)));
  return texto;
}

}  // namespace

TEST(SelfUpdate, ANewerUpdaterFromTheMakerRunsInPlaceOnTheSamePort) {
  testdb::Options options;
  options.filiais = {{"001", "12345678000199"}};
  const QString location = freshDatabase(options);
  QTemporaryDir versions, work;
  VendorSim sim;
  Installation inst(QString("orvself-%1").arg(::getpid()));
  writeCaminhoIni(inst.folder(), location);
  writeFile(inst.filePath("Atualizador.ini"),
            ("[Fornecedor]\r\nAutoAtualizacaoURL=" + sim.selfUpdateUrl() + "\r\n").toUtf8());

  // The maker's package: this program with a marker appended, dated tomorrow.
  const QString newer = work.filePath(inst.exeName());
  ASSERT_TRUE(QFile::copy(inst.exePath(), newer));
  writeFile(newer, readFile(newer) + "newer-updater-marker", 0755);
  struct utimbuf t;
  t.actime = t.modtime = QDateTime::currentDateTime().addDays(1).toSecsSinceEpoch();
  ASSERT_EQ(::utime(newer.toLocal8Bit().constData(), &t), 0);
  runRar(work.path(), {"a", sim.packagesDir() + "/Orvalto.rar", inst.exeName()});

  QProcessEnvironment guardian;
  guardian.insert("ORVALTO_GUARDIAN", "fbguard");
  QProcess& old = inst.start({"--headless", "--port", QString::number(freePort())}, guardian);
  const quint16 port = inst.port();
  ASSERT_TRUE(answersIdleStatus(port, 20s)) << inst.stop().toStdString();
  {
    auto db = connectTo(location);
    db->execute("UPDATE VERSOESCAB SET CAMINHOVERSOES = ?, DT_ATLZSERVIDOR = NULL", {versions.path() + "/"});
    db->execute("UPDATE PARALOGIN SET WEBSERVICEWZQ = ?, LINKWEBSERVICEWZQ = ?", {sim.olderBase(), sim.newerBase()});
  }

  auto terminal = connectTerminal(port);
  ASSERT_TRUE(terminal);
  terminal->envia("[BUSCAR]");
  ASSERT_TRUE(old.waitForFinished(60000)) << "the old process did not end\n" << logOf(inst).toStdString();

  // The new copy answers on the same port from the same path, alone.
  ASSERT_TRUE(answersIdleStatus(port, 30s));
  const pid_t novo = processRunning(inst.exePath());
  ASSERT_NE(novo, 0);
  EXPECT_EQ(FContaProcessos(inst.exeName()), 1);
  EXPECT_TRUE(readFile(inst.exePath()).endsWith("newer-updater-marker"));
  EXPECT_TRUE(QFile::exists(inst.filePath("OLD-" + inst.exeName())));
  EXPECT_TRUE(QFile::exists(versions.filePath(inst.exeName())));
  EXPECT_EQ(sim.requests("package").size() + sim.requests("selfupdate").size() >= 1, true);

  ::kill(novo, SIGTERM);
  EXPECT_TRUE(waitUntil([&] { return processRunning(inst.exePath()) == 0; }, 15s, 50ms));
}
