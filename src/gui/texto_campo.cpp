#include "gui/texto_campo.h"

#include <QLineEdit>

namespace orvalto {

void defineTexto(QLineEdit* campo, const QString& texto) {
  if (campo->text() == texto) return;
  const int cursor = campo->cursorPosition();
  campo->setText(texto);
  campo->setCursorPosition(qMin(cursor, int(texto.size())));
}

}  // namespace orvalto
