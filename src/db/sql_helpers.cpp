#include "db/sql_helpers.h"

#include "db/firebird_connection.h"
#include "db/transactions.h"

namespace orvalto {

QString quoteKey(const QString& value) {
  QString inner = value;
  inner.replace('\'', QStringLiteral("''"));
  return '\'' + inner + '\'';
}

QString whereKey(const QString& campoChave, const QString& valorChave) {
  if (campoChave.isEmpty()) return {};
  return " WHERE " + campoChave + " = " + quoteKey(valorChave);
}

QString FRetornaValorCampo(FbConnection& conexao, const QString& tabela, const QString& campo,
                           const QString& campoChave, const QString& valorChave) {
  const QueryResult r = conexao.query(" SELECT " + campo + " FROM " + tabela + whereKey(campoChave, valorChave));
  if (r.isEmpty() || r.columns.isEmpty()) return {};
  return r.rows.first().first().toString();
}

qint64 FRetornaValorInteiro(FbConnection& conexao, const QString& tabela, const QString& campo,
                            const QString& campoChave, const QString& valorChave) {
  const QueryResult r = conexao.query(" SELECT COALESCE(" + campo + ",0) AS " + campo + " FROM " + tabela +
                                      whereKey(campoChave, valorChave));
  if (r.isEmpty() || r.columns.isEmpty()) return 0;
  return r.rows.first().first().toLongLong();
}

qint64 FContaRegistros(FbConnection& conexao, const QString& tabela, const QString& campo, const QString& campoChave1,
                       const QString& campoChave2, const QString& valorChave1, const QString& valorChave2) {
  QString sql = " SELECT count(" + campo + ") AS contador  FROM " + tabela + whereKey(campoChave1, valorChave1);
  if (!campoChave1.isEmpty() && !campoChave2.isEmpty()) sql += " AND " + campoChave2 + " = " + quoteKey(valorChave2);
  const QueryResult r = conexao.query(sql);
  return r.isEmpty() ? 0 : r.value(0, "contador").toLongLong();
}

ResultadoBanco FAtualizaValorString(FbConnection& conexao, const QString& tabela, const QString& campo,
                                    const QString& valor, const QString& campoChave, const QString& valorChave) {
  try {
    TransacaoEscopo transacao(conexao);
    conexao.execute(" UPDATE " + tabela + " SET " + campo + " = \"" + valor + "\"" + whereKey(campoChave, valorChave));
    transacao.confirma();
    return {};
  } catch (const std::exception& e) {
    return AvisoBanco{"Aviso",
                      "Ocorreu um erro durante a  gravação \"FAtualizaValorString\" :\r" + QString::fromUtf8(e.what())};
  }
}

}  // namespace orvalto
