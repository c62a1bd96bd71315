// orvalto-bench-backup LOCATION FOLDER
// Backs the database at LOCATION up into FOLDER with the update engine
// while a terminal on loopback asks "[STATUS]" every 10 ms; prints the copy
// throughput and the status reply latency from the start of the backup
// until the backup carries its stamped name.
#include "base/app_context.h"
#include "base/headless_interaction.h"
#include "base/operation_log.h"
#include "bench_common.h"
#include "update/atualizador.h"

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
  QTemporaryDir exeDir;
  QFile caminhoDir(exeDir.filePath("Caminho.Dir"));
  if (!caminhoDir.open(QIODevice::WriteOnly) || caminhoDir.write(location.toUtf8() + "\r\n") < 0) return 1;
  caminhoDir.close();
  OperationLog log(exeDir.path());
  HeadlessInteraction ui(&log, stderr);
  AppContext ctx{exeDir.path(), "orvalto-bench-backup", &log, &ui};
  EstadoTerminais estado;
  estado.EmAtualizacao = true;  // a backup is part of an update run
  TerminalServer server(estado, ctx);
  if (!server.escuta(0)) return 1;
  bench::ServerConsole console(estado, server);
  TfrmAtualizador engine(ctx, &console);
  if (!engine.FConectaBanco() || !engine.FAtualizaEstrutura()) return 1;
  engine.CnOrvalto.execute("UPDATE VERSOESCAB SET CAMINHOLOCALBACKUP = ?, NUMEROBACKUP = 1", {folder});

  // The whole backup: closing the connection, the copy, reopening to note
  // the backup, the rotation.
  bench::StatusProbe terminal(server.porta(), "[STATUS]:1|");
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
  std::printf("[STATUS] during the backup: %s\n", bench::latencySummary(terminal.latenciesMs()).c_str());

  // The copy alone, from its start until the copy carries its name.
  if (ok) {
    ::sync();  // the backup's own writes are not in this copy's way
    bench::StatusProbe copyTerminal(server.porta(), "[STATUS]:1|");
    clock.restart();
    engine.PCopiaArquivo(folder + made.first(), folder + "copia.FB");
    const double copySeconds = double(clock.nsecsElapsed()) / 1e9;
    copyTerminal.stop();
    std::printf("copy alone: %.1f MiB in %.2f s = %.1f MiB/s (flushed to disk)\n", mib, copySeconds, mib / copySeconds);
    std::printf("[STATUS] during the copy: %s\n", bench::latencySummary(copyTerminal.latenciesMs()).c_str());
  }
  return ok ? 0 : 1;
}
