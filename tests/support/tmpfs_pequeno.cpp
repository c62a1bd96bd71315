#include "support/tmpfs_pequeno.h"

#include <QProcess>

namespace orvalto::test {

TmpfsPequeno::TmpfsPequeno(const QString& tamanho) {
  montado_ = QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=" + tamanho, "tmpfs", dir_.path()}) == 0;
}

TmpfsPequeno::~TmpfsPequeno() {
  if (montado_) QProcess::execute("umount", {dir_.path()});
}

}  // namespace orvalto::test
