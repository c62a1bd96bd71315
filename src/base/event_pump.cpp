#include "base/event_pump.h"

#include <QCoreApplication>

namespace orvalto {

void pumpEvents() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace orvalto
