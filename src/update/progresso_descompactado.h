#pragma once
// The extraction progress window ("Descompactando arquivos") and the one
// operation the stages call to extract an archive, FDescompactaArquivo.
// The window is shown through the interaction while the component works:
// a gauge that follows the entries and a bar of "|" that grows once a
// second. The stage that creates the window decides how long it lives; the
// library stays loaded as long as it does.
#include "extraction/df_unrar.h"
#include "update/contexto_estagio.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace orvalto {

// The limits of one archive in Atualizador.ini's "Seguranca" (entries, and
// unpacked megabytes); the component's defaults when missing.
inline constexpr const char* kChaveLimiteEntradas = "LimiteEntradasPacote";
inline constexpr const char* kChaveLimiteDescompactadoMB = "LimiteDescompactadoMB";

// Writes the library beside the executable when it is missing there (the
// engine's creation and every progress window do). A folder that cannot be
// written is logged, not raised: the system's copy of the library serves.
struct ProvisaoUnrar {
  explicit ProvisaoUnrar(const ContextoEstagio& contexto);
};

class TfrmProgressoDescompactado {
 public:
  // Writes the library beside the executable when it is missing and loads it.
  explicit TfrmProgressoDescompactado(const ContextoEstagio& contexto);
  ~TfrmProgressoDescompactado();
  TfrmProgressoDescompactado(const TfrmProgressoDescompactado&) = delete;
  TfrmProgressoDescompactado& operator=(const TfrmProgressoDescompactado&) = delete;

  // Extracts the archive `arquivo` into the existing folder `pastaDestino`.
  // True only when every entry was extracted. A missing archive or folder
  // is false without a word; an archive that cannot be opened is a warning
  // dialog; any other failure is a log line naming the archive and the
  // library's result. The event loop runs meanwhile. `leitura`, when
  // given, is where the archive's bytes are read from (an opened file's
  // name, see ArquivoAberto); `arquivo` then only names it.
  bool FDescompactaArquivo(const QString& arquivo, const QString& pastaDestino, const QString& leitura = {});

  // The component's progress event: moves the gauge.
  void DFUnRar1Progress(quint32 FilesProcessed, quint32 FileCount);
  // One tick of the bar: 79 "|" and it starts again.
  void Timer1Timer();

  int Progresso() const { return progresso_; }
  const QString& LbMensagem() const { return lbMensagem_; }
  bool EmDescompactacao() const { return emDescompactacao_; }
  bool Timer1Ativo() const { return Timer1.isActive(); }

 private:
  ResultadoExtracao extraiEsperando();
  void publica() const;

  ContextoEstagio contexto_;
  ReferenciaUnrar biblioteca_;
  TDFUnRar DFUnRar1;
  QTimer Timer1;
  QObject receptor_;  // where the component's progress arrives on this thread
  int progresso_ = 0;
  QString lbMensagem_;
  bool emDescompactacao_ = false;
};

}  // namespace orvalto
