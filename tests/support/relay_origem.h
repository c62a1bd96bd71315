#pragma once
// A TCP relay on loopback that reaches a server from another local address
// (127.0.0.x): a client of the relay appears to the server as a different
// machine. Used to attach to the database "from a workstation".
#include <QString>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace orvalto::test {

class RelayOrigem {
 public:
  // Forwards connections made to porta() to 127.0.0.1:`portaServidor`,
  // connecting from `origem`.
  RelayOrigem(const QString& origem, quint16 portaServidor);
  ~RelayOrigem();
  RelayOrigem(const RelayOrigem&) = delete;
  RelayOrigem& operator=(const RelayOrigem&) = delete;

  quint16 porta() const { return porta_; }
  // A database location through the relay: "127.0.0.1/<port>:<path>".
  QString localizacao(const QString& caminhoBanco) const;

 private:
  void aceita();
  void encaminha(int cliente);

  QString origem_;
  quint16 portaServidor_;
  int escuta_ = -1;
  quint16 porta_ = 0;
  std::atomic<bool> parar_{false};
  std::thread aceitador_;
  std::vector<std::thread> conexoes_;
};

}  // namespace orvalto::test
