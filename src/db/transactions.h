#pragma once
// The transaction functions every writer uses. They look only at whether a
// transaction is active, so a writer that started nothing still commits or
// rolls back its caller's transaction.
namespace orvalto {

class FbConnection;

void PIniciaTransacao(FbConnection& conexao);
void PConfirmaTransacao(FbConnection& conexao);
void PCancelaTransacao(FbConnection& conexao);

}  // namespace orvalto
