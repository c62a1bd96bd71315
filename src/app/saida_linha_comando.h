#pragma once
// One line of a shell command's output, UTF-8, written at once (a person
// or a script follows it while the command still runs).
#include <QString>

#include <cstdio>

namespace orvalto {

inline void escreveLinha(std::FILE* saida, const QString& linha) {
  std::fprintf(saida, "%s\n", linha.toUtf8().constData());
  std::fflush(saida);
}

}  // namespace orvalto
