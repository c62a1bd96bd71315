#pragma once
// For test programs that link terminal_client: a workstation on loopback.
#include "support/qt_app.h"
#include "terminal_client.h"

#include <memory>

namespace orvalto::test {

// A terminal connected from `origin` (127.0.0.x keeps workstations apart on
// one machine) to the loopback port; null when it could not connect.
inline std::unique_ptr<terminal::TerminalClient> connectTerminal(quint16 port, const QString& origin = "127.0.0.1") {
  auto client = std::make_unique<terminal::TerminalClient>();
  client->conecta("127.0.0.1", port, QHostAddress(origin));
  if (!client->aguardaConexao(std::chrono::seconds(10))) return nullptr;
  return client;
}

// Polls until a terminal on `port` gets the idle status back: the program
// has finished starting and its event loop serves the terminals.
inline bool answersIdleStatus(quint16 port, std::chrono::milliseconds prazo) {
  return waitUntil(
      [&] {
        auto t = connectTerminal(port);
        if (!t) return false;
        t->envia("[STATUS]");
        return t->aguardaRecebido("[STATUS]:0|", std::chrono::seconds(2));
      },
      prazo, std::chrono::milliseconds(50));
}

}  // namespace orvalto::test
