#pragma once
// What the engine benchmarks share: a console that hands the engine's
// messages to a terminal server, and a terminal on loopback that asks
// "[STATUS]" every 10 ms and times the answers.
#include "base/app_context.h"
#include "base/console_link.h"
#include "base/headless_interaction.h"
#include "base/operation_log.h"
#include "terminal/terminal_server.h"
#include "update/atualizador.h"

#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace orvalto {

class ServerConsole : public ConsoleLink {
 public:
  ServerConsole(EstadoTerminais& estado, TerminalServer& server) : estado_(estado), server_(server) {}
  EstadoTerminais& estadoTerminais() override { return estado_; }
  void SendMessage(const QString& mensagem, const QString& endereco) override;
  void PMostraBalao(const QString&, const QString&, int, int) override {}

 private:
  EstadoTerminais& estado_;
  TerminalServer& server_;
};

// An update engine, headless, in an installation folder of its own, whose
// messages go to the terminals of a server listening on a free port.
struct BenchEngine {
  explicit BenchEngine(const QString& name);

  QTemporaryDir exeDir;
  OperationLog log{exeDir.path()};
  HeadlessInteraction ui{nullptr, stderr};
  AppContext ctx;
  EstadoTerminais estado;
  TerminalServer server;
  ServerConsole console{estado, server};
  TfrmAtualizador engine;
};

class StatusProbe {
 public:
  // Connects to `port` and asks until stopped; only the answers `timed`
  // accepts are timed.
  StatusProbe(quint16 port, std::function<bool(const std::string&)> timed);
  ~StatusProbe() { stop(); }
  void stop();
  // After stop(): "N answers, p50 .. ms, p99 .. ms, max .. ms".
  QString summary() const;

 private:
  void run(quint16 port);

  std::function<bool(const std::string&)> timed_;
  std::atomic<bool> stop_{false};
  std::vector<double> latenciesMs_;
  std::thread thread_;
};

}  // namespace orvalto
