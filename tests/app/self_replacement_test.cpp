#include "app/substituicao_executavel.h"
#include "base/app_context.h"
#include "platform/arquivo_aberto.h"
#include "support/files.h"
#include "update/registro_arquivos.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace orvalto;
using namespace orvalto::test;

namespace {

struct SelfReplacement : ::testing::Test {
  QTemporaryDir exeDir, versions;
  AppContext ctx{exeDir.path(), "orvalto-atualizador"};
  QDateTime base{QDate(2025, 3, 4), QTime(10, 0, 0)};
  QString versionsFolder() const { return versions.path() + "/"; }
  void SetUp() override { writeFile(ctx.exePath(), "running", base); }
  // A program this machine runs, told apart by `marker`, as the candidate.
  QString candidate(const QByteArray& marker, const QDateTime& when, int mode = 0755) {
    const QString path = versions.filePath(ctx.exeName);
    writeFile(path, readFile("/bin/true") + marker, when);
    EXPECT_EQ(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
    return path;
  }
};

}  // namespace

TEST_F(SelfReplacement, NewerCandidateTakesThePlaceAndTheOldOneIsKept) {
  candidate("newer", base.addSecs(2));
  EXPECT_TRUE(PTrocaExecutavel(ctx, versionsFolder()));
  EXPECT_TRUE(readFile(ctx.exePath()).endsWith("newer"));
  EXPECT_EQ(readFile(ctx.besideExe("OLD-orvalto-atualizador")), "running");
}

TEST_F(SelfReplacement, EqualOrOlderCandidatesChangeNothing) {
  // One second later is the same DOS time.
  writeFile(versions.filePath(ctx.exeName), "same", base.addSecs(1));
  EXPECT_FALSE(PTrocaExecutavel(ctx, versionsFolder()));
  writeFile(versions.filePath(ctx.exeName), "older", base.addSecs(-60));
  EXPECT_FALSE(PTrocaExecutavel(ctx, versionsFolder()));
  EXPECT_EQ(readFile(ctx.exePath()), "running");
  EXPECT_FALSE(QFile::exists(ctx.besideExe("OLD-orvalto-atualizador")));
}

TEST_F(SelfReplacement, AnExistingOldCopyIsReplaced) {
  writeFile(ctx.besideExe("OLD-orvalto-atualizador"), "ancient", base.addDays(-10));
  candidate("newer", base.addDays(1));
  EXPECT_TRUE(PTrocaExecutavel(ctx, versionsFolder()));
  EXPECT_EQ(readFile(ctx.besideExe("OLD-orvalto-atualizador")), "running");
}

// The versions folder is shared with the workstations.
TEST_F(SelfReplacement, ACopyOthersCouldHaveWrittenIsTakenOnlyWhenTheSelfUpdatePlacedIt) {
  const QString path = candidate("planted", base.addDays(1), 0777);
  EXPECT_FALSE(PTrocaExecutavel(ctx, versionsFolder()));
  writeFile(path, "not a program", base.addDays(1));
  ::chmod(QFile::encodeName(path).constData(), 0755);
  EXPECT_FALSE(PTrocaExecutavel(ctx, versionsFolder()));
  EXPECT_EQ(readFile(ctx.exePath()), "running");

  candidate("placed", base.addDays(1), 0777);
  RegistroArquivos(ctx.exeDir).grava(path, {sha256DoArquivo(path), {}});
  EXPECT_TRUE(PTrocaExecutavel(ctx, versionsFolder()));
  EXPECT_TRUE(readFile(ctx.exePath()).endsWith("placed"));
}

TEST_F(SelfReplacement, MissingCandidateOrEmptyFolderChangeNothing) {
  EXPECT_FALSE(PTrocaExecutavel(ctx, versionsFolder()));
  // Without a folder the bare name is looked up in the current folder; in
  // the executable's own folder that is the running file itself.
  const QString previous = QDir::currentPath();
  QDir::setCurrent(exeDir.path());
  EXPECT_EQ(caminhosSubstituicao(ctx, "").candidate, ctx.exePath());
  EXPECT_FALSE(PTrocaExecutavel(ctx, ""));
  QDir::setCurrent(previous);
  EXPECT_EQ(readFile(ctx.exePath()), "running");
}

TEST_F(SelfReplacement, AFailedCopyPutsTheRunningFileBack) {
  // A candidate that exists, is newer and cannot be read: a kernel file
  // without a read operation.
  ASSERT_EQ(::symlink("/proc/self/clear_refs", versions.filePath(ctx.exeName).toLocal8Bit().constData()), 0);
  EXPECT_FALSE(PTrocaExecutavel(ctx, versionsFolder()));
  EXPECT_EQ(readFile(ctx.exePath()), "running");
  EXPECT_FALSE(QFile::exists(ctx.besideExe("OLD-orvalto-atualizador")));
}
