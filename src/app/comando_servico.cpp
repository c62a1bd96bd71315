#include "app/comando_servico.h"

#include "app/estado_linha_comando.h"
#include "app/opcoes_programa.h"
#include "app/pedido_linha_comando.h"
#include "app/teste_conexao_linha_comando.h"
#include "base/app_context.h"
#include "base/headless_interaction.h"
#include "platform/system.h"

#include <QFileInfo>

namespace orvalto {

int executaComandoServico(const OpcoesPrograma& opcoes) {
  const QFileInfo exe(runningExecutablePath());
  HeadlessInteraction ui(nullptr);  // messages to standard error only
  const AppContext ctx{exe.absolutePath(), exe.fileName(), nullptr, &ui};
  const auto porta = static_cast<quint16>(opcoes.port);
  switch (opcoes.comando) {
    case ComandoServico::Estado: return executaEstado(ctx, porta, opcoes.json);
    case ComandoServico::Buscar: return executaPedido(ctx, porta, PedidoServico::Buscar);
    case ComandoServico::Atualizar: return executaPedido(ctx, porta, PedidoServico::Atualizar);
    case ComandoServico::TestarConexao: return testaConexao(ctx);
    case ComandoServico::Nenhum: break;
  }
  return kEstadoDesconhecido;
}

}  // namespace orvalto
