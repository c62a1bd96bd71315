#pragma once
// Connecting the product database from the current settings, with the
// server-time probe. A failure comes back with the box the caller shows.
#include "db/resultado_banco.h"

#include <QDateTime>

namespace orvalto {

class FbConnection;

// Reads the settings again, reconnects `conexao` and probes the server's
// time into `dataHora`.
ResultadoBanco FConectaBanco(FbConnection& conexao, const QString& exeDir, QDateTime* dataHora = nullptr);

// Opens (when it has a location) or closes the connection. Driver errors
// reach the caller. Always true.
bool FConectaBases(FbConnection& conexao, bool abrir);

// The server's current date and time.
QDateTime dataHoraServidor(FbConnection& conexao);

}  // namespace orvalto
