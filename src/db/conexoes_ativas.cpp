#include "db/conexoes_ativas.h"

#include "db/firebird_connection.h"

#include <QStringList>

#include <exception>

namespace orvalto {
namespace {

// The server writes an address as "address/port".
const char* const kEnderecos =
    "SELECT CASE WHEN POSITION('/' IN MON$REMOTE_ADDRESS) > 0 "
    "THEN LEFT(MON$REMOTE_ADDRESS, POSITION('/' IN MON$REMOTE_ADDRESS) - 1) "
    "ELSE MON$REMOTE_ADDRESS END AS IP, COUNT(*) FROM MON$ATTACHMENTS "
    "WHERE MON$SYSTEM_FLAG = 0 GROUP BY 1";

const char* const kClientes =
    "SELECT MON$REMOTE_ADDRESS AS ENDERECO, MON$USER AS USUARIO, MON$REMOTE_PROCESS AS PROGRAMA "
    "FROM MON$ATTACHMENTS WHERE MON$SYSTEM_FLAG = 0 AND MON$ATTACHMENT_ID <> CURRENT_CONNECTION "
    "ORDER BY MON$ATTACHMENT_ID";

void reconecta(FbConnection& conexao) {
  conexao.close();
  conexao.open();
}

}  // namespace

int FContaConexoes(FbConnection& conexao) {
  reconecta(conexao);
  const QueryResult r = conexao.query("SELECT COUNT(*) AS TOTAL FROM MON$ATTACHMENTS WHERE MON$SYSTEM_FLAG = 0");
  return r.value(0, "TOTAL").toInt();
}

int FContaEnderecosConectados(FbConnection& conexao) {
  reconecta(conexao);
  const QueryResult r = conexao.query(kEnderecos);
  int enderecos = 0;
  for (int i = 0; i < r.rows.size(); ++i) enderecos += !r.value(i, "IP").toString().trimmed().isEmpty();
  return enderecos;
}

void FListaEnderecosConectados(FbConnection& conexao, QString& lista) {
  const QueryResult r = conexao.query(kEnderecos);
  lista.clear();
  for (int i = 0; i < r.rows.size(); ++i) lista += r.value(i, "IP").toString().trimmed() + '\r';
}

QString FDescreveConexoesAtivas(FbConnection& conexao) {
  QueryResult r;
  try {
    r = conexao.query(kClientes);
  } catch (const std::exception& e) {
    return "(não foi possível listar: " + QString::fromUtf8(e.what()) + ")";
  }
  QStringList clientes;
  for (int i = 0; i < r.rows.size(); ++i) {
    const QString endereco = r.value(i, "ENDERECO").toString().trimmed().section('/', 0, 0);
    clientes << QString("%1 (%2, %3)")
                    .arg(endereco, r.value(i, "USUARIO").toString().trimmed(),
                         r.value(i, "PROGRAMA").toString().trimmed());
  }
  return clientes.join("; ");
}

}  // namespace orvalto
