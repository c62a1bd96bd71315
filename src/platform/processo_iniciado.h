#pragma once
// A program started from its list of arguments (each passed whole, blanks
// included: the first is the program's path) and watched until it ends. The
// program inherits the environment and the current folder, but no open
// descriptor besides standard output and error, and it runs in a session of
// its own.
#include <QString>
#include <QStringList>

#include <sys/types.h>
#include <functional>
#include <memory>

namespace orvalto {

// The parts of a command line, split at blanks (runs of blanks count once).
QStringList partesLinhaComando(const QString& linhaComando);

class ProcessoIniciado {
 public:
  // Null when the program could not be started; `erro` then says why.
  static std::unique_ptr<ProcessoIniciado> inicia(const QStringList& argumentos, QString* erro = nullptr);
  // The same from a command line split at blanks (partesLinhaComando).
  static std::unique_ptr<ProcessoIniciado> inicia(const QString& linhaComando, QString* erro = nullptr);

  // Waits for the end of a program still running: whatever it does to the
  // files it works on must be over before anyone goes on.
  ~ProcessoIniciado();
  ProcessoIniciado(const ProcessoIniciado&) = delete;
  ProcessoIniciado& operator=(const ProcessoIniciado&) = delete;

  pid_t pid() const { return pid_; }
  // Without waiting: true while the program runs.
  bool emExecucao();
  // Waits for the end; the exit code, or 128 + the signal that ended it.
  int aguardaFim();
  // Ends the program and every process it started in its session: SIGTERM
  // to the group, then, while any of them is left and for at most
  // `carenciaMs`, `espera(ms)` (the caller's way to wait), then SIGKILL to
  // whatever is left. Returns once the program has ended, like aguardaFim().
  int encerraGrupo(int carenciaMs, const std::function<void(int ms)>& espera);

 private:
  explicit ProcessoIniciado(pid_t pid) : pid_(pid) {}
  void registraFim(int status);

  pid_t pid_;
  bool terminou_ = false;
  int codigo_ = -1;
};

}  // namespace orvalto
