// orvalto-bench-extraction ARCHIVE FOLDER
// Extracts one archive with the update engine (counting pass included)
// while a terminal on loopback asks "[STATUS]" every 10 ms; prints the
// time, the throughput and the status reply latency during the extraction.
#include "bench_support.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>

#include <cstdio>

using namespace orvalto;

namespace {

qint64 bytesUnder(const QString& folder) {
  qint64 total = 0;
  QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) total += it.nextFileInfo().size();
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: orvalto-bench-extraction ARCHIVE FOLDER\n");
    return 2;
  }
  const QString archive = QString::fromLocal8Bit(argv[1]), folder = QString::fromLocal8Bit(argv[2]);
  BenchEngine bench("orvalto-bench-extraction");

  StatusProbe terminal(bench.server.porta(), [](const std::string&) { return true; });
  QElapsedTimer clock;
  clock.start();
  const bool ok = bench.engine.FDescompactaArquivo(archive, folder);
  const double seconds = double(clock.nsecsElapsed()) / 1e9;
  terminal.stop();

  const double mib = double(bytesUnder(folder)) / (1024.0 * 1024.0);
  std::printf("engine: %s, %.1f MiB in %.2f s = %.1f MiB/s\n", ok ? "ok" : "FAILED", mib, seconds, mib / seconds);
  std::printf("[STATUS] during the extraction: %s\n", terminal.summary().toUtf8().constData());
  return ok ? 0 : 1;
}
