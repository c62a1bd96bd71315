#pragma once
// What the terminals are told about the server, kept by the tray window and
// read by the protocol at the moment each request arrives.
#include <QString>

namespace orvalto {

struct EstadoTerminais {
  bool EmAtualizacao = false;  // an update run is in progress
  bool EmDownload = false;     // a package transfer is in progress
  QString IPSolicitante;       // the terminal whose "[ATUALIZAR]" was accepted last; never cleared
  QString ComandoRecebido;     // tag of the last request
};

}  // namespace orvalto
