#pragma once
// The update engine's progress panel: a small borderless window with the
// stage caption at the top, the growing bar of "|" near the bottom and the
// byte gauge at the bottom. Hidden until a stage shows it.
#include <QWidget>

class QLabel;
class QProgressBar;

namespace orvalto {

class PainelProgresso : public QWidget {
  Q_OBJECT

 public:
  explicit PainelProgresso(QWidget* parent = nullptr);

  // Shows the panel with `legenda` as the stage caption (no caption: the
  // caption label stays hidden).
  void mostra(const QString& legenda);
  // The gauge shows `feito` of `total` (a total of 0 or less keeps the last
  // maximum); a non-empty `detalhe` is the "|" bar.
  void atualiza(qint64 feito, qint64 total, const QString& detalhe);
  // Hides the panel and everything on it; the texts are emptied.
  void esconde();

  QLabel* LbMensagem() const { return lbMensagem_; }
  QLabel* StaticTextLoading() const { return staticTextLoading_; }
  QProgressBar* pgrsArquivo() const { return pgrsArquivo_; }

 protected:
  void paintEvent(QPaintEvent* evento) override;

 private:
  void centraliza();

  QLabel* lbMensagem_;
  QLabel* staticTextLoading_;
  QProgressBar* pgrsArquivo_;
  qint64 maximo_ = 100;
};

}  // namespace orvalto
