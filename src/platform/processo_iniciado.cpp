#include "platform/processo_iniciado.h"

#include <QFile>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <system_error>
#include <vector>

extern char** environ;

namespace orvalto {
namespace {

// posix_spawn's attributes and file actions, released on every path.
struct Preparacao {
  posix_spawnattr_t atributos;
  posix_spawn_file_actions_t acoes;
  Preparacao() {
    posix_spawnattr_init(&atributos);
    posix_spawn_file_actions_init(&acoes);
    // A session of its own: signals meant for this program (a terminal's
    // interrupt) do not reach it.
    posix_spawnattr_setflags(&atributos, POSIX_SPAWN_SETSID);
    posix_spawn_file_actions_addopen(&acoes, 0, "/dev/null", O_RDONLY, 0);
    // The terminal server's sockets and the database connection stay here.
    posix_spawn_file_actions_addclosefrom_np(&acoes, 3);
  }
  ~Preparacao() {
    posix_spawn_file_actions_destroy(&acoes);
    posix_spawnattr_destroy(&atributos);
  }
};

}  // namespace

QStringList partesLinhaComando(const QString& linhaComando) { return linhaComando.split(' ', Qt::SkipEmptyParts); }

std::unique_ptr<ProcessoIniciado> ProcessoIniciado::inicia(const QString& linhaComando, QString* erro) {
  return inicia(partesLinhaComando(linhaComando), erro);
}

std::unique_ptr<ProcessoIniciado> ProcessoIniciado::inicia(const QStringList& partes, QString* erro) {
  if (partes.isEmpty()) {
    if (erro) *erro = "Linha de comando vazia.";
    return nullptr;
  }
  std::vector<QByteArray> textos;
  for (const QString& parte : partes) textos.push_back(QFile::encodeName(parte));
  std::vector<char*> argv;
  for (QByteArray& texto : textos) argv.push_back(texto.data());
  argv.push_back(nullptr);

  Preparacao preparacao;
  pid_t pid = -1;
  const int resultado = ::posix_spawn(&pid, argv[0], &preparacao.acoes, &preparacao.atributos, argv.data(), environ);
  if (resultado != 0) {
    if (erro)
      *erro = "\"" + partes.first() + "\": " + QString::fromStdString(std::generic_category().message(resultado));
    return nullptr;
  }
  return std::unique_ptr<ProcessoIniciado>(new ProcessoIniciado(pid));
}

ProcessoIniciado::~ProcessoIniciado() {
  if (!terminou_) aguardaFim();
}

void ProcessoIniciado::registraFim(int status) {
  terminou_ = true;
  if (WIFEXITED(status))
    codigo_ = WEXITSTATUS(status);
  else if (WIFSIGNALED(status))
    codigo_ = 128 + WTERMSIG(status);
}

bool ProcessoIniciado::emExecucao() {
  if (terminou_) return false;
  int status = 0;
  const pid_t r = ::waitpid(pid_, &status, WNOHANG);
  if (r == pid_) registraFim(status);
  // Somebody else reaped it: it has ended all the same.
  if (r < 0 && errno == ECHILD) terminou_ = true;
  return !terminou_;
}

int ProcessoIniciado::aguardaFim() {
  while (!terminou_) {
    int status = 0;
    const pid_t r = ::waitpid(pid_, &status, 0);
    if (r == pid_) registraFim(status);
    if (r < 0 && errno != EINTR) terminou_ = true;
  }
  return codigo_;
}

}  // namespace orvalto

namespace orvalto {

int ProcessoIniciado::encerraGrupo(int carenciaMs, const std::function<void(int ms)>& espera) {
  // The program leads a session of its own: its process group id is its pid.
  const pid_t grupo = -pid_;
  ::kill(grupo, SIGTERM);
  const auto prazo = std::chrono::steady_clock::now() + std::chrono::milliseconds(carenciaMs);
  // The group lives on while a child does, even after the program ended.
  while ((emExecucao() || ::kill(grupo, 0) == 0) && std::chrono::steady_clock::now() < prazo) espera(50);
  ::kill(grupo, SIGKILL);
  return aguardaFim();
}

}  // namespace orvalto
