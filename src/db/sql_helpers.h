#pragma once
// Small statements the stages share: one value of a table, a row count, one
// text column set. Table and column names are inserted as given (callers
// pass fixed names); key values are quoted.
#include "db/resultado_banco.h"

#include <QString>
#include <QVariant>

#include <functional>

namespace orvalto {

class FbConnection;
struct QueryResult;

// A key value between single quotes, inner single quotes doubled.
QString quoteKey(const QString& value);

// The optional " WHERE campo = 'valor'" part.
QString whereKey(const QString& campoChave, const QString& valorChave);

QString FRetornaValorCampo(FbConnection& conexao, const QString& tabela, const QString& campo,
                           const QString& campoChave = {}, const QString& valorChave = {});
qint64 FRetornaValorInteiro(FbConnection& conexao, const QString& tabela, const QString& campo,
                            const QString& campoChave = {}, const QString& valorChave = {});
qint64 FContaRegistros(FbConnection& conexao, const QString& tabela, const QString& campo,
                       const QString& campoChave1 = {}, const QString& campoChave2 = {},
                       const QString& valorChave1 = {}, const QString& valorChave2 = {});

// Sets one text column (the value goes between double quotes unescaped, as
// the product's other programs expect) and commits, the caller's open
// transaction included. On error: rolls back and answers the warning.
ResultadoBanco FAtualizaValorString(FbConnection& conexao, const QString& tabela, const QString& campo,
                                    const QString& valor, const QString& campoChave = {},
                                    const QString& valorChave = {});

template <typename T>
T FIIf(bool condicao, const T& seVerdadeiro, const T& seFalso) {
  return condicao ? seVerdadeiro : seFalso;
}

}  // namespace orvalto
