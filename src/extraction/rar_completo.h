#pragma once
// Whether a RAR file holds its whole block chain. The library reads an
// archive cut inside a header as if it ended there, with fewer entries and
// no error; walking the blocks tells such a file from a whole one.
#include <QString>

namespace orvalto {

enum class EstadoRar {
  Completo,      // every block is whole and the end-of-archive block is there
  Incompleto,    // a block runs past the end of the file, or the end block is missing
  Danificado,    // a block header fails its checksum
  Indeterminado  // not a RAR 5 file the walk can read (older format, encrypted headers)
};

EstadoRar FEstadoRar(const QString& caminho);

}  // namespace orvalto
