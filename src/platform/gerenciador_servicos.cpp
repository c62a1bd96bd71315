#include "platform/gerenciador_servicos.h"

#include <QString>
#include <QtGlobal>

#include <unistd.h>

namespace orvalto {

bool sobGerenciadorDeServicos() {
  bool ok = false;
  const qint64 pid = qEnvironmentVariable("SYSTEMD_EXEC_PID").trimmed().toLongLong(&ok);
  return ok && pid == static_cast<qint64>(::getpid());
}

}  // namespace orvalto
