#pragma once
// The extraction window: small, borderless, grey, centred; the caption
// "Descompactando arquivos" at the top and the bar of "|" at the bottom.
// Its gauge follows the entries but stays hidden, as it always was.
#include <QWidget>

class QLabel;
class QProgressBar;

namespace orvalto {

class JanelaDescompactacao : public QWidget {
  Q_OBJECT

 public:
  explicit JanelaDescompactacao(QWidget* parent = nullptr);

  void mostra();
  void atualiza(int posicao, const QString& barra);
  void esconde();

  QLabel* Label1() const { return label1_; }
  QLabel* LbMensagem() const { return lbMensagem_; }
  QProgressBar* Progresso() const { return progresso_; }

 private:
  QLabel* label1_;
  QLabel* lbMensagem_;
  QProgressBar* progresso_;
};

}  // namespace orvalto
