#pragma once
// The waiting indicator of the engine's long steps (backup, restore,
// structure update): a bar of "|" that grows once a second and, every ten
// ticks, the keep-alive "[CONECTA]:0|" to the requesting terminal.
#include "update/contexto_estagio.h"

#include <QTimer>

namespace orvalto {

class IndicadorEspera {
 public:
  explicit IndicadorEspera(const ContextoEstagio& contexto);

  // Starts (or stops) the one-second timer; the bar keeps its length.
  void liga();
  void desliga();
  bool ligado() const { return Timer1.isActive(); }

  // One tick: keep-alive when due, pending events handled, one more "|".
  void Timer1Timer();
  const QString& StaticTextLoading() const { return barra_; }

  // The gauge the progress panel shows under the bar (the download's).
  void defineGauge(qint64 posicao, qint64 maximo) { pos_ = posicao, max_ = maximo; }

 private:
  ContextoEstagio contexto_;
  QTimer Timer1;
  QString barra_;
  qint64 pos_ = 0, max_ = 100;
};

}  // namespace orvalto
