#include "platform/arquivo_exclusivo.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvalto {

int criaArquivoExclusivo(const QString& caminho, mode_t modo) {
  const QByteArray nome = QFile::encodeName(caminho);
  // What cannot be removed (a folder, another user's file in a sticky
  // folder) makes the open below fail with its reason.
  ::unlink(nome.constData());
  return ::open(nome.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, modo);
}

mode_t modoSeguro(mode_t modo) { return modo & 0777 & ~mode_t(S_IWOTH); }

}  // namespace orvalto
