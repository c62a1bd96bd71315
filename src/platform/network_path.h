#pragma once
// Whether a folder lives on another machine. The versions folder is shared
// with the workstations, so it should be given as the network path they
// reach it by.
#include <QByteArray>
#include <QString>

namespace orvalto {

// Windows: the path begins with two backslashes. Elsewhere: the folder lies
// under a mount of a network file system (CIFS, NFS, ...) as the system's
// mount table tells.
bool caminhoDeRede(const QString& pasta);

// The test behind it on a system with mounts: `montagens` is the text of a
// mount table in the form of /proc/mounts. `pasta` should be absolute and
// free of symbolic links.
bool pastaEmMontagemDeRede(const QString& pasta, const QByteArray& montagens);

}  // namespace orvalto
