#include "app/startup.h"

#include "app/substituicao_executavel.h"
#include "base/app_context.h"
#include "base/interaction.h"
#include "platform/lista_processos.h"
#include "platform/system.h"
#include "platform/termination.h"
#include "update/atualizador.h"

namespace orvalto {

bool outraCopiaAberta(const QString& exeName, Interaction& ui) {
  if (FContaProcessos(exeName) < 2) return false;
  ui.showMessage(MessageIcon::Warning, "Alerta", kMensagemJaAberto);
  return true;
}

void aguardaGuardiao(int intervalMs) {
  // A stop request is the only thing that ends the wait early.
  while (!FGuardiaoAtivo() && !terminationRequested()) sleepMs(intervalMs);
}

bool PInicializa(const AppContext& ctx) {
  aguardaGuardiao(500);
  if (terminationRequested()) return true;
  TfrmAtualizador atualizador(ctx);
  if (!atualizador.FConectaBanco()) return false;
  if (!atualizador.FAtualizaEstrutura()) return false;
  try {
    PTrocaExecutavel(ctx, atualizador.FCaminhoVersoes());
  } catch (const std::exception& e) {
    // Reading the folder failed after a good connection: the replacement
    // waits for the next start.
    ctx.ui->showMessage(MessageIcon::Error, "Atenção", QString::fromUtf8(e.what()));
  }
  return true;
}

}  // namespace orvalto
