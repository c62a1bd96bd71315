#pragma once
// VERSOESCAB.NOMESERVIDOR names the computer the updater runs on. Opening
// the settings window makes sure it names this one: claimed without a
// question when empty, taken over from another machine only when the person
// agrees.
#include <QString>

namespace orvalto {

struct AppContext;
class FbConnection;

// This computer's network name, at most 15 characters.
QString FNomeComputador();

// True when this computer is, or has just become, the designated server.
// Opens the connection and closes it in every case; an error is logged and
// answered with false.
bool FVerificaServidor(FbConnection& conexao, const AppContext& ctx, const QString& nomeComputador = FNomeComputador());

}  // namespace orvalto
