// orvalto-bench-backup LOCATION FOLDER
// Backs the database at LOCATION up into FOLDER with the update engine
// while a terminal on loopback asks "[STATUS]" every 10 ms; prints the copy
// throughput and the status reply latency from the start of the backup
// until the backup carries its stamped name.
#include "bench_support.h"
#include "db/firebird_connection.h"
#include "update/copia_arquivo.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include <unistd.h>

using namespace orvalto;

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: orvalto-bench-backup LOCATION FOLDER\n");
    return 2;
  }
  const QString location = argv[1];
  const QString folder = QDir(argv[2]).absolutePath() + "/";
  BenchEngine bench("orvalto-bench-backup");
  QFile caminhoDir(bench.exeDir.filePath("Caminho.Dir"));
  if (!caminhoDir.open(QIODevice::WriteOnly) || caminhoDir.write(location.toUtf8() + "\r\n") < 0) return 1;
  caminhoDir.close();
  bench.estado.EmAtualizacao = true;  // a backup is part of an update run
  TfrmAtualizador& engine = bench.engine;
  const auto duranteARodada = [](const std::string& reply) { return reply == "[STATUS]:1|"; };
  if (!engine.FConectaBanco() || !engine.FAtualizaEstrutura()) return 1;
  {
    // The backup settings, written on a connection of the bench's own.
    FbConnection configuracao;
    configuracao.setParams(engine.conexao().location(), engine.conexao().user(), engine.conexao().password());
    configuracao.open();
    configuracao.execute("UPDATE VERSOESCAB SET CAMINHOLOCALBACKUP = ?, NUMEROBACKUP = 1", {folder});
  }

  // The whole backup: closing the connection, the copy, reopening to note
  // the backup, the rotation.
  StatusProbe terminal(bench.server.porta(), duranteARodada);
  QElapsedTimer clock;
  clock.start();
  bool ok = false;
  try {
    ok = engine.FRealizaBackup();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
  }
  const double seconds = double(clock.nsecsElapsed()) / 1e9;
  terminal.stop();
  engine.FConectaBases(false);
  const QStringList made = QDir(folder).entryList({"BkpOrvalto_*.FB"}, QDir::Files);
  const double mib = made.isEmpty() ? 0 : double(QFileInfo(folder + made.first()).size()) / (1024.0 * 1024.0);
  std::printf("backup: %s, %.1f MiB in %.2f s = %.1f MiB/s (flushed to disk)\n", ok ? "ok" : "FAILED", mib, seconds,
              mib / seconds);
  std::printf("[STATUS] during the backup: %s\n", terminal.summary().toUtf8().constData());

  // The copy alone, from its start until the copy carries its name.
  if (ok) {
    ::sync();  // the backup's own writes are not in this copy's way
    StatusProbe copyTerminal(bench.server.porta(), duranteARodada);
    clock.restart();
    PCopiaArquivo(folder + made.first(), folder + "copia.FB");
    const double copySeconds = double(clock.nsecsElapsed()) / 1e9;
    copyTerminal.stop();
    std::printf("copy alone: %.1f MiB in %.2f s = %.1f MiB/s (flushed to disk)\n", mib, copySeconds, mib / copySeconds);
    std::printf("[STATUS] during the copy: %s\n", copyTerminal.summary().toUtf8().constData());
  }
  return ok ? 0 : 1;
}
