#pragma once
// What the terminals are told about the server, kept by the tray window and
// read by the protocol at the moment each request arrives.
#include <QString>

namespace orvalto {

// The identification the last "[CONFIGCLI]" gave; the failure mails of the
// update run carry it.
struct DadosEmpresa {
  QString CodEmpresa;
  QString RazaoEmpresa;
  QString NomeEmpresa;
  QString CnpjEmpresa;
};

struct EstadoTerminais {
  bool EmAtualizacao = false;        // an update run is in progress
  bool EmDownload = false;           // a package transfer is in progress
  QString IPSolicitante;             // the terminal whose "[ATUALIZAR]" was accepted last; never cleared
  QString ComandoRecebido;           // tag of the last request
  DadosEmpresa Empresa;              // empty until a terminal identifies its company
  bool ReiniciarAoTerminar = false;  // a newer updater was kept: start it again once this one has ended
};

}  // namespace orvalto
