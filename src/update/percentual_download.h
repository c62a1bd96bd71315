#pragma once
// The percentage a download reports to the terminal and the log.
#include <QtGlobal>

namespace orvalto {

// Rounds to the nearest integer, halves to the even neighbour.
qint64 arredondaPar(double valor);

// Percentage of `recebidos` bytes against the gauge maximum `maximo`
// (bytes): whole kilobytes of both, as the terminals have always been told.
// A maximum under one kilobyte (small or unannounced total) is computed from
// bytes instead, so it never divides by zero; the result stays in 0..100.
int percentualDownload(qint64 recebidos, qint64 maximo);

}  // namespace orvalto
