#pragma once
// The transaction functions every writer uses. They look only at whether a
// transaction is active, so a writer that started nothing still commits or
// rolls back its caller's transaction.
namespace orvalto {

class FbConnection;

void PIniciaTransacao(FbConnection& conexao);
void PConfirmaTransacao(FbConnection& conexao);
void PCancelaTransacao(FbConnection& conexao);

// A writer's transaction for the length of a block: started when none is
// active, rolled back at the end of the block unless confirma() committed
// it (an error on the way leaves nothing half written). Like the functions
// above it commits or rolls back whatever transaction is active.
class TransacaoEscopo {
 public:
  explicit TransacaoEscopo(FbConnection& conexao);
  // Never throws: a connection that is gone took its transaction with it.
  ~TransacaoEscopo();
  TransacaoEscopo(const TransacaoEscopo&) = delete;
  TransacaoEscopo& operator=(const TransacaoEscopo&) = delete;

  void confirma();

 private:
  FbConnection& conexao_;
  bool confirmada_ = false;
};

}  // namespace orvalto
