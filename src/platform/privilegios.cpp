#include "platform/privilegios.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace orvalto {
namespace {

QString erroDoSistema(const char* chamada) { return QString("%1: %2").arg(chamada, std::strerror(errno)); }

// The user's own home and name, so nothing later writes into root's.
void ambienteDe(const passwd* usuario) {
  ::setenv("HOME", usuario->pw_dir, 1);
  ::setenv("USER", usuario->pw_name, 1);
  ::setenv("LOGNAME", usuario->pw_name, 1);
  ::unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace

TrocaDeUsuario trocaParaDonoDoExecutavel() {
  using R = TrocaDeUsuario::Resultado;
  if (::geteuid() != 0) return {};
  struct stat executavel {};
  if (::stat("/proc/self/exe", &executavel) != 0)
    return {R::Falhou, "executável não identificado: " + erroDoSistema("stat")};
  const uid_t uid = executavel.st_uid;
  if (uid == 0) return {};
  const passwd* usuario = ::getpwuid(uid);
  const gid_t gid = usuario ? usuario->pw_gid : executavel.st_gid;
  const bool grupos = usuario ? ::initgroups(usuario->pw_name, gid) == 0 : ::setgroups(1, &gid) == 0;
  if (!grupos) return {R::Falhou, erroDoSistema("initgroups")};
  if (::setgid(gid) != 0) return {R::Falhou, erroDoSistema("setgid")};
  if (::setuid(uid) != 0) return {R::Falhou, erroDoSistema("setuid")};
  // setuid as root changes every user id: there is no way back.
  if (::setuid(0) == 0) return {R::Falhou, "o privilégio de root não foi abandonado"};
  if (usuario) ambienteDe(usuario);
  const QString nome = usuario ? QString::fromLocal8Bit(usuario->pw_name) : QString::number(uid);
  return {R::Trocou, QString("Iniciado como root: executando como %1, dono do executável.").arg(nome)};
}

}  // namespace orvalto
