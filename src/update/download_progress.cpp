#include "update/download_progress.h"

#include <algorithm>
#include <cmath>

namespace orvalto {

qint64 arredondaPar(double valor) { return static_cast<qint64>(std::nearbyint(valor)); }

int percentualDownload(qint64 recebidos, qint64 maximo) {
  const qint64 k = recebidos / 1024;
  const qint64 m = maximo / 1024;
  if (m > 0) return static_cast<int>(arredondaPar(double(k) * 100.0 / double(m)));
  if (maximo <= 0) return 0;
  return static_cast<int>(std::clamp<qint64>(arredondaPar(double(recebidos) * 100.0 / double(maximo)), 0, 100));
}

}  // namespace orvalto
