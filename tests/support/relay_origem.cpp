#include "support/relay_origem.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace orvalto::test {
namespace {

constexpr int kEsperaMs = 100;  // how often the threads look at the stop flag

sockaddr_in endereco(const char* ip, quint16 porta) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(porta);
  ::inet_pton(AF_INET, ip, &a.sin_addr);
  return a;
}

// Copies what is there; false when the side closed or failed.
bool repassa(int de, int para) {
  char buffer[65536];
  const ssize_t lidos = ::recv(de, buffer, sizeof buffer, 0);
  if (lidos <= 0) return false;
  for (ssize_t feitos = 0; feitos < lidos;) {
    const ssize_t n = ::send(para, buffer + feitos, size_t(lidos - feitos), MSG_NOSIGNAL);
    if (n <= 0) return false;
    feitos += n;
  }
  return true;
}

}  // namespace

RelayOrigem::RelayOrigem(const QString& origem, quint16 portaServidor)
    : origem_(origem), portaServidor_(portaServidor) {
  escuta_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in local = endereco("127.0.0.1", 0);
  socklen_t tamanho = sizeof local;
  if (::bind(escuta_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || ::listen(escuta_, 8) != 0 ||
      ::getsockname(escuta_, reinterpret_cast<sockaddr*>(&local), &tamanho) != 0)
    throw std::runtime_error("relay: cannot listen");
  porta_ = ntohs(local.sin_port);
  aceitador_ = std::thread([this] { aceita(); });
}

RelayOrigem::~RelayOrigem() {
  parar_ = true;
  aceitador_.join();
  for (std::thread& t : conexoes_) t.join();
  ::close(escuta_);
}

QString RelayOrigem::localizacao(const QString& caminhoBanco) const {
  return QString("127.0.0.1/%1:%2").arg(porta_).arg(caminhoBanco);
}

void RelayOrigem::aceita() {
  while (!parar_) {
    pollfd p{escuta_, POLLIN, 0};
    if (::poll(&p, 1, kEsperaMs) <= 0) continue;
    const int cliente = ::accept4(escuta_, nullptr, nullptr, SOCK_CLOEXEC);
    if (cliente >= 0) conexoes_.emplace_back([this, cliente] { encaminha(cliente); });
  }
}

void RelayOrigem::encaminha(int cliente) {
  const int servidor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in de = endereco(origem_.toLatin1().constData(), 0);
  const sockaddr_in para = endereco("127.0.0.1", portaServidor_);
  bool aberto = ::bind(servidor, reinterpret_cast<const sockaddr*>(&de), sizeof de) == 0 &&
                ::connect(servidor, reinterpret_cast<const sockaddr*>(&para), sizeof para) == 0;
  while (aberto && !parar_) {
    pollfd p[2] = {{cliente, POLLIN, 0}, {servidor, POLLIN, 0}};
    if (::poll(p, 2, kEsperaMs) <= 0) continue;
    if (p[0].revents) aberto = repassa(cliente, servidor);
    if (aberto && p[1].revents) aberto = repassa(servidor, cliente);
  }
  ::close(servidor);
  ::close(cliente);
}

}  // namespace orvalto::test
