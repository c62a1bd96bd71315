#include "db/transactions.h"

#include "db/firebird_connection.h"

namespace orvalto {

void PIniciaTransacao(FbConnection& conexao) {
  if (!conexao.inTransaction()) conexao.startTransaction();
}

void PConfirmaTransacao(FbConnection& conexao) {
  if (conexao.inTransaction()) conexao.commit();
}

void PCancelaTransacao(FbConnection& conexao) {
  if (conexao.inTransaction()) conexao.rollback();
}

}  // namespace orvalto
