// orvalto-bench-download URL FOLDER
// Downloads one package with the update engine while a terminal on loopback
// asks "[STATUS]" every 10 ms; prints the throughput, the bytes this process
// read meanwhile less the one read of a completed package for its hash
// (what crossed the connection: a resumed transfer moves only the missing
// part), the status reply latency during the transfer and
// the peak resident memory.
#include "bench_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

using namespace orvalto;

namespace {

long peakRssKb() {
  QFile status("/proc/self/status");
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLong();
  return -1;
}

// Bytes this process has read through read() and its kin, sockets included.
long long bytesRead() {
  QFile io("/proc/self/io");
  if (!io.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : io.readAll().split('\n'))
    if (line.startsWith("rchar:")) return line.mid(6).trimmed().toLongLong();
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: orvalto-bench-download URL FOLDER\n");
    return 2;
  }
  BenchEngine bench("orvalto-bench-download");

  // Only the answers that say a download is running count.
  StatusProbe terminal(bench.server.porta(), [](const std::string& reply) { return reply == "[STATUS]:2|"; });
  QElapsedTimer clock;
  const long long readBefore = bytesRead();
  clock.start();
  const bool ok = bench.engine.FBaixaArquivo(argv[1], QString(argv[2]) + "/", false);
  const double seconds = double(clock.nsecsElapsed()) / 1e9;
  const long long readMeanwhile = bytesRead() - readBefore;
  terminal.stop();

  const QString file = QString(argv[2]) + "/" + QString(argv[1]).section('/', -1);
  const double mib = double(QFileInfo(file).size()) / (1024.0 * 1024.0);
  std::printf("download: %s, %.1f MiB in %.2f s = %.1f MiB/s\n", ok ? "ok" : "FAILED", mib, seconds, mib / seconds);
  // A cut transfer keeps its bytes beside the package's name.
  const qint64 whole = QFileInfo::exists(file) ? QFileInfo(file).size() : QFileInfo(file + ".baixando").size();
  // A completed package is read once more, from disk, for its SHA-256.
  const long long moved = ok ? readMeanwhile - whole : readMeanwhile;
  std::printf("bytes moved: %lld of %lld (%.1f %%)\n", moved, static_cast<long long>(whole),
              whole > 0 ? 100.0 * double(moved) / double(whole) : 0.0);
  std::printf("[STATUS] during the transfer: %s\n", terminal.summary().toUtf8().constData());
  std::printf("peak resident memory: %ld KiB\n", peakRssKb());
  return ok ? 0 : 1;
}
