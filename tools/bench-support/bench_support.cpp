#include "bench_support.h"

#include "services/fontes_permitidas.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace orvalto {
namespace {

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

}  // namespace

BenchEngine::BenchEngine(const QString& name)
    : ctx{exeDir.path(), name, &log, &ui}, server(estado, ctx), engine(ctx, &console) {
  if (!server.escuta(0)) throw std::runtime_error("no port to listen on");
  // The packages come from the simulator on loopback.
  defineFontesPermitidas(FontesPermitidas({"127.0.0.1"}));
}

void ServerConsole::SendMessage(const QString& mensagem, const QString& endereco) {
  server_.SendMessage(mensagem, endereco);
}

StatusProbe::StatusProbe(quint16 port, std::function<bool(const std::string&)> timed)
    : timed_(std::move(timed)), thread_([this, port] { run(port); }) {}

void StatusProbe::stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void StatusProbe::run(quint16 port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return;
  }
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  timeval timeout{2, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  char reply[256];
  while (!stop_) {
    const auto start = std::chrono::steady_clock::now();
    if (::send(fd, "[STATUS]", 8, 0) != 8) break;
    const ssize_t got = ::recv(fd, reply, sizeof reply, 0);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (got > 0 && timed_(std::string(reply, size_t(got)))) latenciesMs_.push_back(ms);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::close(fd);
}

QString StatusProbe::summary() const {
  return QString("%1 answers, p50 %2 ms, p99 %3 ms, max %4 ms")
      .arg(latenciesMs_.size())
      .arg(percentile(latenciesMs_, 0.5), 0, 'f', 2)
      .arg(percentile(latenciesMs_, 0.99), 0, 'f', 2)
      .arg(percentile(latenciesMs_, 1.0), 0, 'f', 2);
}

}  // namespace orvalto
