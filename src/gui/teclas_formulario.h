#pragma once
// The keys every form of the updater handles before its controls: Enter
// moves to the next control, Up arrow to the previous one, Ctrl+Delete is
// swallowed, and the last key pressed is remembered as a Windows
// virtual-key code (some fields validate only when left with Enter).
#include <QObject>

#include <functional>

class QKeyEvent;
class QWidget;

namespace orvalto {

// Windows virtual-key code of a Qt key (13 for Enter, 38 for Up, 65 for A);
// 0 for keys without one.
quint16 codigoVirtual(int teclaQt);

class TeclasFormulario : public QObject {
  Q_OBJECT

 public:
  // `moveFoco(true)` moves to the next control, `moveFoco(false)` to the
  // previous one. `ultimaTecla` receives each key's code, 0 on release.
  TeclasFormulario(QWidget* formulario, quint16* ultimaTecla, std::function<void(bool)> moveFoco);
  ~TeclasFormulario() override;

 protected:
  bool eventFilter(QObject* alvo, QEvent* evento) override;

 private:
  bool doFormulario(QObject* alvo) const;
  bool FormKeyDown(QKeyEvent* tecla);

  QWidget* formulario_;
  quint16* ultimaTecla_;
  std::function<void(bool)> moveFoco_;
};

}  // namespace orvalto
