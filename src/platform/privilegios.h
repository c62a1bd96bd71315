#pragma once
// Root never runs code that another user can replace. Started as root from
// an executable that another user owns (the package's binary belongs to the
// service's user, who could put anything in its place), the program becomes
// that user before it touches any file.
#include <QString>

namespace orvalto {

struct TrocaDeUsuario {
  enum class Resultado { Nenhuma, Trocou, Falhou };
  Resultado resultado = Resultado::Nenhuma;
  QString mensagem;  // what happened, for the log; empty when nothing did
};

// Switches group list, group and user to the executable's owner when the
// process runs as root and the executable is not root's. On failure the
// caller must not go on as root.
TrocaDeUsuario trocaParaDonoDoExecutavel();

}  // namespace orvalto
