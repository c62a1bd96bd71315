#pragma once
// Whether a file was installed by the Debian package: the package manager
// then owns it (dpkg -V checks it, an upgrade replaces it), and the
// program must not rewrite it itself.
#include <QString>

namespace orvalto {

inline constexpr const char* kListaPacoteDpkg = "/var/lib/dpkg/info/orvalto-atualizador.list";

// True when `caminho` (made canonical, links followed) is one of the files
// that `lista` (dpkg's file list of the package) names.
bool arquivoDoPacote(const QString& caminho, const QString& lista = kListaPacoteDpkg);

}  // namespace orvalto
