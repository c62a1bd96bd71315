#include "app/reinicio.h"

#include "base/app_context.h"
#include "base/handler_guard.h"
#include "platform/diario_servico.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>

namespace orvalto {
namespace {

constexpr const char* kVariavelPredecessor = "ORVALTO_PREDECESSOR_PID";

}  // namespace

bool PReiniciaPrograma(const AppContext& ctx, const QStringList& argumentos) {
  if (sobGerenciadorDeServicos()) {
    gravaLog(ctx, "Reinício deixado ao gerenciador de serviços.");
    return false;
  }
  QProcess processo;
  processo.setProgram(ctx.exePath());
  processo.setArguments(argumentos);
  processo.setWorkingDirectory(ctx.exeDir);
  processo.setStandardInputFile(QProcess::nullDevice());
  QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
  ambiente.insert(kVariavelPredecessor, QString::number(::getpid()));
  processo.setProcessEnvironment(ambiente);
  if (!processo.startDetached()) {
    gravaLog(ctx, "Falha ao reiniciar " + ctx.exePath() + ": " + processo.errorString());
    return false;
  }
  gravaLog(ctx, "Reiniciando " + ctx.exePath());
  return true;
}

}  // namespace orvalto

namespace orvalto {

void aguardaPredecessor() {
  bool ok = false;
  const pid_t pid = qEnvironmentVariable(kVariavelPredecessor).toInt(&ok);
  qunsetenv(kVariavelPredecessor);
  if (!ok || pid <= 0) return;
  const auto prazo = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  // The predecessor is not our parent's child any more once it exits, so
  // a failing kill(pid, 0) means it is gone.
  while (std::chrono::steady_clock::now() < prazo && (::kill(pid, 0) == 0 || errno == EPERM))
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

}  // namespace orvalto
