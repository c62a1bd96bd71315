#include "gui/teclas_formulario.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace orvalto {

quint16 codigoVirtual(int teclaQt) {
  if (teclaQt >= Qt::Key_A && teclaQt <= Qt::Key_Z) return static_cast<quint16>('A' + (teclaQt - Qt::Key_A));
  if (teclaQt >= Qt::Key_0 && teclaQt <= Qt::Key_9) return static_cast<quint16>('0' + (teclaQt - Qt::Key_0));
  if (teclaQt >= Qt::Key_F1 && teclaQt <= Qt::Key_F24) return static_cast<quint16>(0x70 + (teclaQt - Qt::Key_F1));
  switch (teclaQt) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return 0;
  }
}

TeclasFormulario::TeclasFormulario(QWidget* formulario, quint16* ultimaTecla, std::function<void(bool)> moveFoco)
    : QObject(formulario), formulario_(formulario), ultimaTecla_(ultimaTecla), moveFoco_(std::move(moveFoco)) {
  // The form sees a key before the control that has the focus does.
  qApp->installEventFilter(this);
}

TeclasFormulario::~TeclasFormulario() { qApp->removeEventFilter(this); }

bool TeclasFormulario::doFormulario(QObject* alvo) const {
  auto* widget = qobject_cast<QWidget*>(alvo);
  return widget && (widget == formulario_ || formulario_->isAncestorOf(widget));
}

bool TeclasFormulario::eventFilter(QObject* alvo, QEvent* evento) {
  const auto tipo = evento->type();
  if ((tipo != QEvent::KeyPress && tipo != QEvent::KeyRelease) || !doFormulario(alvo)) return false;
  auto* tecla = static_cast<QKeyEvent*>(evento);
  if (tipo == QEvent::KeyRelease) {
    *ultimaTecla_ = 0;
    return false;
  }
  return FormKeyDown(tecla);
}

bool TeclasFormulario::FormKeyDown(QKeyEvent* tecla) {
  *ultimaTecla_ = codigoVirtual(tecla->key());
  Qt::KeyboardModifiers modificadores = tecla->modifiers();
  modificadores.setFlag(Qt::KeypadModifier, false);
  switch (tecla->key()) {
    case Qt::Key_Delete: return modificadores == Qt::ControlModifier;
    case Qt::Key_Return:
    case Qt::Key_Enter: moveFoco_(true); return true;
    case Qt::Key_Up:
      // The control never sees the arrow: a list would move its selection.
      moveFoco_(false);
      return true;
    default: return false;
  }
}

}  // namespace orvalto
