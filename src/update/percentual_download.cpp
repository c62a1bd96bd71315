#include "update/percentual_download.h"

#include <algorithm>
#include <cmath>

namespace orvalto {

qint64 arredondaPar(double valor) { return static_cast<qint64>(std::nearbyint(valor)); }

int percentualDownload(qint64 recebidos, qint64 maximo) {
  const qint64 k = recebidos / 1024;
  const qint64 m = maximo / 1024;
  if (maximo <= 0) return 0;
  // The gauge keeps the last total it was given: a transfer that announces
  // none is measured against it and must not report more than 100.
  const double p = m > 0 ? double(k) * 100.0 / double(m) : double(recebidos) * 100.0 / double(maximo);
  return static_cast<int>(std::clamp<qint64>(arredondaPar(p), 0, 100));
}

}  // namespace orvalto
