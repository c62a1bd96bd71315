#pragma once
// --testar-conexao: the settings window's "Testar Conexão" at a shell. The
// registration service is asked with the stored settings (PARALOGIN, the
// maker's values) whether it answers; no search follows (the running
// service does its own).
#include "base/app_context.h"

namespace orvalto {

// 0 when the service answered, 1 otherwise (refused, unreachable, or the
// settings or database could not be read).
int testaConexao(const AppContext& ctx);

}  // namespace orvalto
