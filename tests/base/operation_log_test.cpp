#include "base/operation_log.h"

#include "platform/codepage.h"
#include "support/files.h"
#include "support/relogio_fixo.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace orvalto;
using namespace orvalto::test;

namespace {

struct LogFixture : ::testing::Test {
  QTemporaryDir dir;
  RelogioFixo relogio{QDateTime(QDate(2025, 12, 8), QTime(9, 5, 7))};
  OperationLog log{dir.path(), relogio.relogio()};
};

}  // namespace

TEST_F(LogFixture, FirstCallOfTheDayCreatesTheFileWithOneLine) {
  log.PGravaLog("FAtualizacao: Iniciando Processo de Atualização.");
  const QString path = dir.filePath("ATLZ08122025.log");
  EXPECT_EQ(readFile(path), toCp1252("08/12/2025 09:05:07 - FAtualizacao: Iniciando Processo de Atualização.\r\n"));
  // Windows-1252 on disk: one byte for the accented letters.
  EXPECT_TRUE(readFile(path).contains("Atualiza\xe7\xe3o"));
}

TEST_F(LogFixture, CallsInTheSameSecondKeepTheirOrder) {
  log.PGravaLog("primeira");
  log.PGravaLog("segunda");
  log.PGravaLog("");
  EXPECT_EQ(readFile(dir.filePath("ATLZ08122025.log")),
            "08/12/2025 09:05:07 - primeira\r\n08/12/2025 09:05:07 - segunda\r\n08/12/2025 09:05:07 - \r\n");
}

TEST_F(LogFixture, MidnightStartsTheNextDaysFile) {
  relogio.define(QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59)));
  log.PGravaLog("antes");
  relogio.define(QDateTime(QDate(2026, 1, 1), QTime(0, 0, 0)));
  log.PGravaLog("depois");
  EXPECT_EQ(readFile(dir.filePath("ATLZ31122025.log")), "31/12/2025 23:59:59 - antes\r\n");
  EXPECT_EQ(readFile(dir.filePath("ATLZ01012026.log")), "01/01/2026 00:00:00 - depois\r\n");
}

TEST_F(LogFixture, LineBreaksInsideAMessageBecomeCrLfAndOnlyTheFirstLineIsStamped) {
  log.PGravaLog("um\rdois\ntres\r\nquatro");
  EXPECT_EQ(readFile(dir.filePath("ATLZ08122025.log")), "08/12/2025 09:05:07 - um\r\ndois\r\ntres\r\nquatro\r\n");
}

TEST_F(LogFixture, ExistingLinesAreKeptWhenAppending) {
  QFile f(dir.filePath("ATLZ08122025.log"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("linha anterior\r\n");
  f.close();
  log.PGravaLog("nova");
  EXPECT_EQ(readFile(f.fileName()), "linha anterior\r\n08/12/2025 09:05:07 - nova\r\n");
}

TEST_F(LogFixture, AnUnwritableFileIsAnErrorAndKeepsItsContent) {
  // A folder in the file's place cannot be opened even by root.
  const QString path = dir.filePath("ATLZ08122025.log");
  ASSERT_TRUE(QDir().mkdir(path));
  EXPECT_THROW(log.PGravaLog("perdida"), LogWriteError);
  EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST_F(LogFixture, TheFirstLineOfADayRemovesTheDayFilesOlderThanTheRetention) {
  const auto planta = [&](const QString& nome) {
    QFile f(dir.filePath(nome));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  };
  for (const char* nome : {"ATLZ02102025.log", "ATLZ03102025.log", "ATLZ31122025.log", "ATLZ31022025.log",
                           "ATLZ01011999.txt", "notas.log"})
    planta(nome);
  log.defineRetencao(90);
  relogio.define(QDateTime(QDate(2026, 1, 1), QTime(0, 0, 1)));
  log.PGravaLog("primeira do dia");
  // 90 days before 1 January is 3 October: that day stays, the one before goes.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
            QStringList({"ATLZ01011999.txt", "ATLZ01012026.log", "ATLZ03102025.log", "ATLZ31022025.log",
                         "ATLZ31122025.log", "notas.log"}));
  // Later lines of the same day look at nothing.
  planta("ATLZ02102025.log");
  log.PGravaLog("segunda");
  EXPECT_TRUE(QFile::exists(dir.filePath("ATLZ02102025.log")));
}
