// The simulated download server: files as they are, failures on request,
// and large files streamed instead of loaded.
#include "http_client.h"
#include "support/vendor_sim.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QRandomGenerator>

namespace orvalto::test {
namespace {

QByteArray randomBytes(int size) {
  QByteArray bytes(size, Qt::Uninitialized);
  for (char& byte : bytes) byte = static_cast<char>(QRandomGenerator::global()->bounded(256));
  return bytes;
}

void writePackage(const VendorSim& sim, const QString& name, const QByteArray& content) {
  QFile file(QDir(sim.packagesDir()).filePath(name));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(content), content.size());
}

// Peak resident memory of a process in KiB, from /proc.
qint64 peakResidentKiB(qint64 pid) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLongLong();
  return -1;
}

TEST(VendorSimPackages, ServesFilesAndTheSelfUpdatePackage) {
  VendorSim sim({{"packages", QJsonObject{{"Sem.rar", QJsonObject{{"chunked", true}}},
                                          {"Lento.rar", QJsonObject{{"bytesPerSecond", 200000}}}}}});
  const QByteArray content = randomBytes(300 * 1024);
  writePackage(sim, "PDV.rar", content);
  writePackage(sim, "Sem.rar", content);
  writePackage(sim, "Lento.rar", content);
  writePackage(sim, "Orvalto.rar", "updater package");

  const HttpAnswer plain = httpGet(sim.packageUrl("PDV.rar"));
  EXPECT_EQ(plain.status, 200);
  EXPECT_EQ(plain.headers.value("content-length"), QByteArray::number(content.size()));
  EXPECT_EQ(plain.body, content);

  const HttpAnswer chunked = httpGet(sim.packageUrl("Sem.rar"));
  EXPECT_FALSE(chunked.headers.contains("content-length"));
  EXPECT_EQ(chunked.body, content);

  EXPECT_EQ(httpGet(sim.packageUrl("Lento.rar")).body, content);  // slow, but whole
  EXPECT_EQ(httpGet(sim.selfUpdateUrl()).body, "updater package");
  EXPECT_EQ(httpGet(sim.packageUrl("Nenhum.rar")).status, 404);

  const QJsonArray packages = sim.requests("package");
  ASSERT_EQ(packages.size(), 5);
  EXPECT_EQ(packages[3]["endpoint"].toString(), "selfupdate");
  EXPECT_EQ(packages[3]["name"].toString(), "Orvalto.rar");
  EXPECT_EQ(packages[4]["status"].toInt(), 404);
}

TEST(VendorSimPackages, FailsOrCutsTheTransferOnRequest) {
  VendorSim sim({{"packages", QJsonObject{{"Erro.rar", QJsonObject{{"status", 500}}},
                                          {"Cortado.rar", QJsonObject{{"truncateAt", 1000}}}}}});
  writePackage(sim, "Erro.rar", randomBytes(2048));
  writePackage(sim, "Cortado.rar", randomBytes(200 * 1024));

  const HttpAnswer failed = httpGet(sim.packageUrl("Erro.rar"));
  EXPECT_EQ(failed.status, 500);
  EXPECT_NE(failed.error, QNetworkReply::NoError);

  // The full size is announced, then the connection ends early.
  const HttpAnswer cut = httpGet(sim.packageUrl("Cortado.rar"));
  EXPECT_EQ(cut.headers.value("content-length"), QByteArray::number(200 * 1024));
  EXPECT_EQ(cut.received, 1000);
  EXPECT_NE(cut.error, QNetworkReply::NoError);
}

TEST(VendorSimPackages, LargeFileIsStreamedFromDisk) {
  VendorSim sim;
  constexpr qint64 kSize = 256LL * 1024 * 1024;
  QFile big(QDir(sim.packagesDir()).filePath("Grande.rar"));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  ASSERT_TRUE(big.resize(kSize));  // sparse: costs no disk
  big.close();

  const HttpAnswer answer = httpGet(sim.packageUrl("Grande.rar"), {}, true);
  EXPECT_EQ(answer.error, QNetworkReply::NoError);
  EXPECT_EQ(answer.received, kSize);
  const qint64 peak = peakResidentKiB(sim.processId());
  ASSERT_GT(peak, 0);
  EXPECT_LT(peak, 64 * 1024) << "the simulator held the file in memory";
}

}  // namespace
}  // namespace orvalto::test
