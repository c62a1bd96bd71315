#include "app/app_context.h"
#include "app/self_replacement.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <utime.h>

using namespace orvalto;

namespace {

QByteArray contentOf(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& content, const QDateTime& mtime) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(content);
  f.close();
  struct utimbuf t;
  t.actime = t.modtime = mtime.toSecsSinceEpoch();
  ASSERT_EQ(::utime(path.toLocal8Bit().constData(), &t), 0);
}

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
  EXPECT_EQ(contentOf(ctx.exePath()), "newer");
  EXPECT_EQ(contentOf(ctx.besideExe("OLD-orvalto-atualizador")), "running");
}

TEST_F(SelfReplacement, EqualOrOlderCandidatesChangeNothing) {
  // One second later is the same DOS time.
  writeFile(versions.filePath(ctx.exeName), "same", base.addSecs(1));
  EXPECT_FALSE(PTrocaExecutavel(ctx, versionsFolder()));
  writeFile(versions.filePath(ctx.exeName), "older", base.addSecs(-60));
  EXPECT_FALSE(PTrocaExecutavel(ctx, versionsFolder()));
  EXPECT_EQ(contentOf(ctx.exePath()), "running");
  EXPECT_FALSE(QFile::exists(ctx.besideExe("OLD-orvalto-atualizador")));
}

TEST_F(SelfReplacement, AnExistingOldCopyIsReplaced) {
  writeFile(ctx.besideExe("OLD-orvalto-atualizador"), "ancient", base.addDays(-10));
  writeFile(versions.filePath(ctx.exeName), "newer", base.addDays(1));
  EXPECT_TRUE(PTrocaExecutavel(ctx, versionsFolder()));
  EXPECT_EQ(contentOf(ctx.besideExe("OLD-orvalto-atualizador")), "running");
}

TEST_F(SelfReplacement, MissingCandidateOrEmptyFolderChangeNothing) {
  EXPECT_FALSE(PTrocaExecutavel(ctx, versionsFolder()));
  // Without a folder the bare name is looked up in the current folder; in
  // the executable's own folder that is the running file itself.
  const QString previous = QDir::currentPath();
  QDir::setCurrent(exeDir.path());
  EXPECT_EQ(selfReplacementPaths(ctx, "").candidate, ctx.exePath());
  EXPECT_FALSE(PTrocaExecutavel(ctx, ""));
  QDir::setCurrent(previous);
  EXPECT_EQ(contentOf(ctx.exePath()), "running");
}

TEST_F(SelfReplacement, AFailedCopyPutsTheRunningFileBack) {
  // The copy fails half-way: this process may not write files larger than
  // 64 KiB, and the candidate is larger. Renames write nothing.
  writeFile(versions.filePath(ctx.exeName), QByteArray(256 * 1024, 'n'), base.addDays(1));
  struct rlimit previous;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = previous;
  small.rlim_cur = 64 * 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool replaced = PTrocaExecutavel(ctx, versionsFolder());
  ::setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_FALSE(replaced);
  EXPECT_EQ(contentOf(ctx.exePath()), "running");
  EXPECT_FALSE(QFile::exists(ctx.besideExe("OLD-orvalto-atualizador")));
}
