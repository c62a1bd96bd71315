#pragma once
// Connecting the product database from the current settings, with the
// server-time probe. Failures are shown through the interaction and
// answered with false.
#include <QDateTime>

namespace orvalto {

class FbConnection;
class Interaction;

// Reads the settings again, reconnects `conexao` and probes the server's
// time into `dataHora`. True when all of it worked.
bool FConectaBanco(FbConnection& conexao, const QString& exeDir, Interaction& ui, QDateTime* dataHora = nullptr);

// Opens (when it has a location) or closes the connection. Driver errors
// reach the caller. Always true.
bool FConectaBases(FbConnection& conexao, bool abrir);

// The server's current date and time.
QDateTime dataHoraServidor(FbConnection& conexao);

}  // namespace orvalto
