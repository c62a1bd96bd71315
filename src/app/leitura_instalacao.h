#pragma once
// What the shell commands read from the product database beside a running
// service: the designated server, the schedule, the two folders and the
// queue. Reading only: no schema upkeep, nothing written.
#include "base/app_context.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace orvalto {

struct ItemFila {
  QString sistema;   // CODSISTEMA
  QString endereco;  // VERSAOAATUALIZAR
};

struct DadosInstalacao {
  QString banco;              // the database location Caminho.ini (or its fallbacks) names
  QString servidorDesignado;  // VERSOESCAB.NOMESERVIDOR
  QDateTime agendamento;      // invalid: nothing scheduled
  QString pastaVersoes, pastaBackup;
  QList<ItemFila> fila;  // rows with an address only: an empty one means nothing to do
};

// The database location the installation names, even when it cannot be
// reached; empty when the settings cannot be read.
QString localBanco(const QString& exeDir);

// Null when the database cannot be connected or read; the reason in `erro`.
std::optional<DadosInstalacao> leInstalacao(const AppContext& ctx, QString* erro);

}  // namespace orvalto
