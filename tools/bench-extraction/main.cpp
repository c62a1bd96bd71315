// orvalto-bench-extraction ARCHIVE FOLDER
// Extracts one archive with the update engine (counting pass included)
// while a terminal on loopback asks "[STATUS]" every 10 ms; prints the
// time, the throughput and the status reply latency during the extraction.
#include "base/app_context.h"
#include "base/console_link.h"
#include "base/headless_interaction.h"
#include "base/operation_log.h"
#include "terminal/terminal_server.h"
#include "update/atualizador.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
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
// received while `measuring` is set.
void askStatus(quint16 port, std::atomic<bool>& measuring, std::atomic<bool>& stop, std::vector<double>& latenciesMs) {
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
  char reply[256];
  while (!stop) {
    const auto start = std::chrono::steady_clock::now();
    if (::send(fd, "[STATUS]", 8, 0) != 8) break;
    const ssize_t got = ::recv(fd, reply, sizeof reply, 0);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (got > 0 && measuring) latenciesMs.push_back(ms);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::close(fd);
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

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
  QTemporaryDir exeDir;
  OperationLog log(exeDir.path());
  HeadlessInteraction ui(nullptr, stderr);
  AppContext ctx{exeDir.path(), "orvalto-bench-extraction", &log, &ui};
  EstadoTerminais estado;
  TerminalServer server(estado, ctx);
  if (!server.escuta(0)) return 1;
  ServerConsole console(estado, server);
  TfrmAtualizador engine(ctx, &console);

  std::atomic<bool> measuring{false}, stop{false};
  std::vector<double> latencies;
  std::thread terminal(askStatus, server.porta(), std::ref(measuring), std::ref(stop), std::ref(latencies));
  // The terminal is connected and answered once before the clock starts.
  QElapsedTimer warmUp;
  warmUp.start();
  while (warmUp.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

  measuring = true;
  QElapsedTimer clock;
  clock.start();
  const bool ok = engine.FDescompactaArquivo(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
  const double seconds = double(clock.nsecsElapsed()) / 1e9;
  measuring = false;
  stop = true;
  terminal.join();

  const double mib = double(bytesUnder(QString::fromLocal8Bit(argv[2]))) / (1024.0 * 1024.0);
  std::printf("engine: %s, %.1f MiB in %.2f s = %.1f MiB/s\n", ok ? "ok" : "FAILED", mib, seconds, mib / seconds);
  std::printf("[STATUS] during the extraction: %zu answers, p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", latencies.size(),
              percentile(latencies, 0.5), percentile(latencies, 0.99), percentile(latencies, 1.0));
  return ok ? 0 : 1;
}
