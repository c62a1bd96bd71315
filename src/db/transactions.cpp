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

namespace orvalto {

TransacaoEscopo::TransacaoEscopo(FbConnection& conexao) : conexao_(conexao) { PIniciaTransacao(conexao_); }

TransacaoEscopo::~TransacaoEscopo() {
  if (confirmada_) return;
  try {
    PCancelaTransacao(conexao_);
  } catch (...) {
  }
}

void TransacaoEscopo::confirma() {
  PConfirmaTransacao(conexao_);
  confirmada_ = true;
}

}  // namespace orvalto
