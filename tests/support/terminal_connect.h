#pragma once
// For test programs that link terminal_client: a workstation on loopback.
#include "terminal_client.h"

#include <memory>

namespace orvalto::test {

// A terminal connected from `origin` (127.0.0.x keeps workstations apart on
// one machine) to the loopback port; null when it could not connect.
inline std::unique_ptr<terminal::TerminalClient> connectTerminal(quint16 port, const QString& origin = "127.0.0.1") {
  auto client = std::make_unique<terminal::TerminalClient>();
  client->conecta("127.0.0.1", port, QHostAddress(origin));
  if (!client->aguardaConexao(10000)) return nullptr;
  return client;
}

}  // namespace orvalto::test
