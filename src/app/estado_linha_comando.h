#pragma once
// --estado [--json]: what a technician or a monitoring check asks of an
// installation, beside the running service: whether the service answers
// on its port, the version, the designated server, the database, the
// queue, the last search, the schedule, the last update run and its
// outcome, the backups, and the room left in the two folders. The exit
// status is a monitoring plugin's: 0 well, 1 the last run failed, 2 the
// service does not answer or the database cannot be read, 3 unknown.
#include "base/app_context.h"

#include <QJsonObject>
#include <QStringList>

namespace orvalto {

inline constexpr int kEstadoOk = 0;
inline constexpr int kEstadoFalhou = 1;
inline constexpr int kEstadoCritico = 2;
inline constexpr int kEstadoDesconhecido = 3;

struct EstadoColetado {
  // The keys servico, versao, servidorDesignado, banco, fila, ultimaBusca,
  // agendamento, ultimaAtualizacao, backups and pastas; dates in ISO 8601,
  // what is not known null.
  QJsonObject json;
  QString situacao;  // the service's "[STATUS]:n|" reply; empty when it did not answer
  int codigo = kEstadoDesconhecido;
};

EstadoColetado coletaEstado(const AppContext& ctx, quint16 porta);

// The same as lines for a person.
QStringList estadoEmTexto(const EstadoColetado& estado);

// Prints the state (JSON or lines) and returns the exit status.
int executaEstado(const AppContext& ctx, quint16 porta, bool json);

}  // namespace orvalto
