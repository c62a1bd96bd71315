#pragma once
// Room for a whole copy of a large file (the database, a backup) before the
// copy starts: its size plus a margin, so that a full disk is found before
// anything is written instead of half-way through.
#include <QString>

namespace orvalto {

// What a copy of `tamanho` bytes asks for: the size, 5 % more and 64 MiB.
qint64 espacoNecessario(qint64 tamanho);

// Empty when the file system of `pasta` has room for a copy of `tamanho`
// bytes; otherwise the reason with the figures, naming `pasta` and what is
// copied (`oQue`: "banco de dados", "backup"). Throws std::runtime_error
// when the free space cannot be read.
QString faltaEspaco(const QString& pasta, qint64 tamanho, const QString& oQue);

}  // namespace orvalto
