#pragma once
// Pieces the benchmarks share: the engine's messages go through a real
// terminal server, and a terminal on loopback times the "[STATUS]" answers
// while the measured operation runs.
#include "base/console_link.h"
#include "terminal/terminal_server.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace orvalto::bench {

class ServerConsole : public ConsoleLink {
 public:
  ServerConsole(EstadoTerminais& estado, TerminalServer& server) : estado_(estado), server_(server) {}
  EstadoTerminais& estadoTerminais() override { return estado_; }
  void SendMessage(const QString& m, const QString& e) override { server_.SendMessage(m, e); }
  void PMostraBalao(const QString&, const QString&, int, int) override {}

 private:
  EstadoTerminais& estado_;
  TerminalServer& server_;
};

// A terminal on its own thread that asks "[STATUS]" every 10 ms and keeps
// the reply time of each answer equal to `expected`.
class StatusProbe {
 public:
  StatusProbe(quint16 port, std::string expected);
  ~StatusProbe();
  // Stops asking; the latencies are complete then.
  void stop();
  const std::vector<double>& latenciesMs() const { return latencies_; }

 private:
  void run(quint16 port);

  std::string expected_;
  std::atomic<bool> stop_{false};
  std::vector<double> latencies_;
  std::thread thread_;
};

// The value below which a fraction `p` of `v` lies (0 for none).
double percentile(std::vector<double> v, double p);

// "n answers, p50 x ms, p99 y ms, max z ms".
std::string latencySummary(const std::vector<double>& latenciesMs);

}  // namespace orvalto::bench
