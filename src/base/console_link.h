#pragma once
// What the update engine needs from the tray window: the state the
// terminals are told about, messages to the terminals and tray balloons.
#include "base/estado_terminais.h"

#include <QString>

namespace orvalto {

class ConsoleLink {
 public:
  virtual ~ConsoleLink() = default;
  virtual EstadoTerminais& estadoTerminais() = 0;
  // Empty address: the terminal whose update request was accepted last.
  virtual void SendMessage(const QString& mensagem, const QString& endereco = QString()) = 0;
  virtual void PMostraBalao(const QString& titulo, const QString& texto, int tipo, int segundos) = 0;
};

}  // namespace orvalto
