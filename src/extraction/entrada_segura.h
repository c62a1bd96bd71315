#pragma once
// What an archive entry may do to the destination folder: land inside it,
// never through a link that leads out, and never leave a file that runs
// with its owner's rights or that anybody may rewrite.
#include <QString>

#include <string>

namespace orvalto {

// The destination folder of one extraction.
class DestinoSeguro {
 public:
  explicit DestinoSeguro(const QString& pasta);

  // Why the entry `nome` (a link to `alvoLigacao` when `tipoLigacao` is
  // not 0) may not be written into the folder; empty when it may. Names
  // that climb ("..") or start at a root are refused, and so are links
  // that do; the path is followed through what is already on disk, so a
  // link left by an earlier entry cannot take a later one outside.
  QString motivoRecusa(const QString& nome, unsigned tipoLigacao, const QString& alvoLigacao) const;

 private:
  std::string base_;  // the folder with its links resolved; empty when it cannot be
};

// Takes the setuid and setgid bits and others' write permission away from
// the file or folder at `caminho`; links are left as they are.
void PRestringePermissoes(const QString& caminho);

}  // namespace orvalto
