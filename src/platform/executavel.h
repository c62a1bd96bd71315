#pragma once
// Whether a file is a program this machine can run: a regular, non-empty
// file with its execute permission, in this machine's executable format
// (on Linux an ELF file of the same class, byte order and machine as the
// running program).
#include <QString>

namespace orvalto {

// Empty when `caminho` can be run here; otherwise why not.
QString motivoNaoExecutavel(const QString& caminho);

}  // namespace orvalto
