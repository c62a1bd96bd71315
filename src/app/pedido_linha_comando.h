#pragma once
// --buscar and --atualizar: the running service is asked over its port as
// a workstation asks it, and its progress is told in words until the
// search or the run has ended. The end, and a run's outcome, come from the
// state the service keeps beside the executable (a run that ends without
// a message, or whose messages went to another address, ends all the
// same).
#include "base/app_context.h"

namespace orvalto {

enum class PedidoServico { Buscar, Atualizar };

// 0 success, 1 the run failed or was refused, 2 no service answers on
// `porta` (or it stopped answering).
int executaPedido(const AppContext& ctx, quint16 porta, PedidoServico pedido);

}  // namespace orvalto
