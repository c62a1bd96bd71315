#pragma once
// Extraction that never leaves half a package among the files in use: the
// archive is extracted into a temporary folder inside the target folder (so
// on the same file system) and its files take their places only once every
// entry extracted. A failed extraction leaves the target folder as it was.
#include <QString>

#include <functional>

namespace orvalto {

// Extracts an archive into an existing folder; false when it could not.
using ExtraiArquivo = std::function<bool(const QString& arquivo, const QString& pastaDestino)>;

// Sees the extracted files in the folder aside (ending with a separator)
// before they move, e.g. to take a program's hash where nobody else writes.
using AntesDeMover = std::function<void(const QString& pastaAoLado)>;

// Extracts `pacote` aside and moves what it holds into `pasta` (ending with
// a separator), replacing files of the same names; folders are merged.
// False, with the reason in `erro`, when the extraction failed (nothing was
// moved) or a file could not take its place.
bool extraiAoLado(const ExtraiArquivo& extrai, const QString& pacote, const QString& pasta, QString* erro,
                  const AntesDeMover& antesDeMover = {});

}  // namespace orvalto
