#include "update/operacao_em_curso.h"

#include "base/handler_guard.h"

#include <QTimer>

namespace orvalto {
namespace {

QString nomeDa(OperacaoEmCurso::Tipo tipo) {
  switch (tipo) {
    case OperacaoEmCurso::Tipo::Atualizacao: return QStringLiteral("atualização");
    case OperacaoEmCurso::Tipo::Busca: return QStringLiteral("busca de versões");
    case OperacaoEmCurso::Tipo::Agendamento: return QStringLiteral("verificação do agendamento");
    case OperacaoEmCurso::Tipo::Nenhuma: break;
  }
  return {};
}

}  // namespace

OperacaoEmCurso::OperacaoEmCurso(const AppContext& ctx, QObject* parent) : QObject(parent), ctx_(ctx) {}

OperacaoEmCurso::Posse::Posse(OperacaoEmCurso& operacao, Tipo tipo) : operacao_(operacao) { operacao_.atual_ = tipo; }

OperacaoEmCurso::Posse::~Posse() { operacao_.termina(); }

bool OperacaoEmCurso::pedeAtualizacao() {
  if (livre()) {
    atualizacaoAdiada_ = false;
    return true;
  }
  if (!atualizacaoAdiada_)
    gravaLog(ctx_, "FAtualizacao: atualização aceita; começa ao fim da " + nomeDa(atual_) + " em andamento.");
  atualizacaoAdiada_ = true;
  return false;
}

void OperacaoEmCurso::termina() {
  atual_ = Tipo::Nenhuma;
  // Queued: the holder's handler returns first, and whoever starts next
  // finds the engine free.
  QTimer::singleShot(0, this, [this] {
    if (!livre()) return;
    if (atualizacaoAdiada_) {
      atualizacaoAdiada_ = false;
      emit atualizacaoLiberada();
    }
    // A run started by the signal above holds the engine again.
    if (livre()) emit liberada();
  });
}

}  // namespace orvalto
