#pragma once
// The service manager's journal: under systemd the program's standard error
// goes to the journal, and a "<n>" at the start of each line gives the
// line's syslog priority there (journalctl -p err shows only errors).
#include "platform/gerenciador_servicos.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

namespace orvalto {

// The level of one log line in the journal.
enum class NivelLog { Erro = 3, Aviso = 4, Informacao = 6 };

// The level a line gets: the caller's, raised to an error when the text
// itself reports one (it starts with "Erro" or "Falha", or carries a
// terminal's "[ERRO]").
NivelLog nivelDaLinha(NivelLog pedido, const QString& texto);

// The bytes of `texto` for the journal: each of its lines with the level's
// prefix, UTF-8, ending with a line break.
QByteArray linhaDoDiario(NivelLog nivel, const QString& texto);

// Writes `texto` to `saida` and flushes it: with the journal's prefixes
// when `diario`, as plain UTF-8 lines otherwise.
void escreveLinhaErro(std::FILE* saida, bool diario, NivelLog nivel, const QString& texto);

}  // namespace orvalto
