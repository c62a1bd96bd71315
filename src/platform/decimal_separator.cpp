#include "platform/decimal_separator.h"

#include <QLocale>

#include <atomic>

namespace orvalto {
namespace {

// Zero until first asked: the system's separator is read lazily so that
// a static initialisation order never matters.
std::atomic<char16_t> separador{0};

}  // namespace

QChar decimalSeparator() {
  char16_t atual = separador.load();
  if (atual == 0) {
    const QString ponto = QLocale::system().decimalPoint();
    char16_t inicial = ponto.isEmpty() ? u'.' : ponto[0].unicode();
    separador.compare_exchange_strong(atual, inicial);
    return QChar(separador.load());
  }
  return QChar(atual);
}

void setDecimalSeparator(QChar separator) { separador.store(separator.unicode()); }

}  // namespace orvalto
