// orvalto-bench-download URL FOLDER
// Downloads one package with the update engine while a terminal on loopback
// asks "[STATUS]" every 10 ms; prints the throughput, the status reply
// latency during the transfer and the peak resident memory.
#include "base/app_context.h"
#include "base/headless_interaction.h"
#include "base/operation_log.h"
#include "terminal/terminal_server.h"
#include "update/atualizador.h"
#include "base/console_link.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using namespace orvalto;

namespace {

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

// A terminal that asks for the status every 10 ms and times each answer
// that says a download is running.
void askStatus(quint16 port, std::atomic<bool>& stop, std::vector<double>& latenciesMs) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return;
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  timeval timeout{2, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  char reply[64];
  while (!stop) {
    const auto start = std::chrono::steady_clock::now();
    if (::send(fd, "[STATUS]", 8, 0) != 8) break;
    const ssize_t got = ::recv(fd, reply, sizeof reply, 0);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (got > 0 && std::string(reply, size_t(got)) == "[STATUS]:2|") latenciesMs.push_back(ms);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::close(fd);
}

long peakRssKb() {
  QFile status("/proc/self/status");
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLong();
  return -1;
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: orvalto-bench-download URL FOLDER\n");
    return 2;
  }
  QTemporaryDir logDir;
  OperationLog log(logDir.path());
  HeadlessInteraction ui(nullptr, stderr);
  AppContext ctx{logDir.path(), "orvalto-bench-download", &log, &ui};
  EstadoTerminais estado;
  TerminalServer server(estado, ctx);
  if (!server.escuta(0)) return 1;
  ServerConsole console(estado, server);
  TfrmAtualizador engine(ctx, &console);

  std::atomic<bool> stop{false};
  std::vector<double> latencies;
  std::thread terminal(askStatus, server.porta(), std::ref(stop), std::ref(latencies));
  QElapsedTimer clock;
  clock.start();
  const bool ok = engine.FBaixaArquivo(argv[1], QString(argv[2]) + "/", false);
  const double seconds = double(clock.nsecsElapsed()) / 1e9;
  stop = true;
  terminal.join();

  const QString file = QString(argv[2]) + "/" + QString(argv[1]).section('/', -1);
  const double mib = double(QFileInfo(file).size()) / (1024.0 * 1024.0);
  std::printf("download: %s, %.1f MiB in %.2f s = %.1f MiB/s\n", ok ? "ok" : "FAILED", mib, seconds, mib / seconds);
  std::printf("[STATUS] during the transfer: %zu answers, p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", latencies.size(),
              percentile(latencies, 0.5), percentile(latencies, 0.99), percentile(latencies, 1.0));
  std::printf("peak resident memory: %ld KiB\n", peakRssKb());
  return ok ? 0 : 1;
}
