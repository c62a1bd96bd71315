#include "app/substituicao_executavel.h"
#include "base/app_context.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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
};

}  // namespace

TEST_F(SelfReplacement, NewerCandidateTakesThePlaceAndTheOldOneIsKept) {
  writeFile(versions.filePath(ctx.exeName), "newer", base.addSecs(2));
  EXPECT_TRUE(PTrocaExecutavel(ctx, versionsFolder()));
  EXPECT_EQ(readFile(ctx.exePath()), "newer");
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
  writeFile(versions.filePath(ctx.exeName), "newer", base.addDays(1));
  EXPECT_TRUE(PTrocaExecutavel(ctx, versionsFolder()));
  EXPECT_EQ(readFile(ctx.besideExe("OLD-orvalto-atualizador")), "running");
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
