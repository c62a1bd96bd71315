#pragma once
// The updater's own tables in the product database: VERSOESCAB (one row of
// settings and schedule) and VERSOESITEM (the queue of packages). They are
// created when missing and gain missing columns at every connection.
#include "db/resultado_banco.h"

#include <QString>

namespace orvalto {

class FbConnection;

enum class TipoMetadado { Tabela = 1, Campo = 2 };

// True when the table (kind 1: `segundo` names it) or the column `primeiro`
// of table `segundo` (kind 2) exists. Names are compared in upper case.
bool FExisteMetadado(FbConnection& conexao, const QString& primeiro, const QString& segundo, TipoMetadado tipo);

// Adds the column when the table lacks it, in a transaction of its own.
void PAdicionaCampo(FbConnection& conexao, const QString& campo, const QString& tabela, const QString& tipo);

// Brings both tables up to date. On any error: rolls back and answers the
// "Alerta" warning; what was committed before stays.
ResultadoBanco FAtualizaEstrutura(FbConnection& conexao);

// The versions folder: CAMINHOVERSOES of the first VERSOESCAB row, read
// anew; empty without a row or value.
QString FCaminhoVersoes(FbConnection& conexao);

}  // namespace orvalto
