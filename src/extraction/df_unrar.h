#pragma once
// The extraction component: drives the UnRAR library over one archive. A
// counting pass learns how many entries there are, so that progress can be
// told; the extraction pass then writes every entry into the destination
// folder, replacing files already there, and stops at the first entry that
// fails. It answers the library's questions: a volume that is not there
// ends the extraction, a password is the (empty) Password.
#include "extraction/unrar_library.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <stdexcept>

namespace orvalto {

// The library returned no handle for the archive.
class ErroAberturaRar : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Codes of our own, beside the library's result codes.
inline constexpr int kSemBiblioteca = -1;      // the library is not loaded
inline constexpr int kEntradaRecusada = -2;    // an entry would land outside the destination
inline constexpr int kArquivoIncompleto = -3;  // a volume is cut short or its headers are damaged
inline constexpr int kOutraExtracao = -4;      // another extraction is running
inline constexpr int kInterrompida = -5;       // stopped on request
inline constexpr int kLimiteExcedido = -6;     // more entries or unpacked bytes than allowed

// The largest real package unpacks to a few hundred megabytes and a few
// thousand entries: anything far beyond is a bomb, not a version.
inline constexpr quint64 kLimiteEntradasPadrao = 100000;
inline constexpr quint64 kLimiteBytesPadrao = quint64(4) << 30;  // 4 GiB

struct ResultadoExtracao {
  int codigo = 0;   // 0 when every entry was extracted
  QString entrada;  // the entry the extraction stopped at, when there was one
  QString detalhe;  // why, when the code alone does not say

  bool completo() const { return codigo == 0; }
  // "resultado 12 da biblioteca UnRAR (dados danificados), entrada X".
  QString texto() const;
};

class TDFUnRar {
 public:
  // Loads the library (one reference for the component's life).
  explicit TDFUnRar(const QString& pastaExecutavel);
  ~TDFUnRar();
  TDFUnRar(const TDFUnRar&) = delete;
  TDFUnRar& operator=(const TDFUnRar&) = delete;

  QString FileName;   // the archive
  QString Directory;  // the destination folder
  QString Password;   // given to the library when it asks; this system never sets it
  // An archive with more entries, or whose entries unpack to more bytes, is
  // refused before anything is written; data that unpacks beyond what its
  // headers announced stops the extraction when it passes the limit.
  quint64 LimiteEntradas = kLimiteEntradasPadrao;
  quint64 LimiteBytes = kLimiteBytesPadrao;
  // Raised once per entry the extraction pass reads, on the thread that
  // runs Extract.
  std::function<void(quint32 FilesProcessed, quint32 FileCount)> OnProgress;

  int DllVersion() const { return dllVersion_; }
  quint32 FileCount() const { return fileCount_; }
  quint32 FilesProcessed() const { return filesProcessed_; }
  // Files and links the last extraction wrote, full paths.
  const QStringList& ArquivosGravados() const { return gravados_; }

  // The counting pass, then the extraction pass. Throws ErroAberturaRar
  // when the archive cannot be opened. Only one extraction runs at a time
  // in the process (the library's callback has one target).
  ResultadoExtracao Extract();
  // Asks a running Extract, from any thread, to stop as soon as it can.
  void Cancela() { cancelada_ = true; }

 private:
  class Passagem;
  friend int retornoUnrar(unsigned int, long, long, long);
  int trataMensagem(unsigned int mensagem, long p1, long p2);
  void contaEntradas(const EntradasUnrar& e);
  ResultadoExtracao verificaVolumes() const;
  ResultadoExtracao verificaLimites() const;
  ResultadoExtracao extraiEntradas(const EntradasUnrar& e);

  ReferenciaUnrar biblioteca_;
  int dllVersion_ = 0;
  quint32 fileCount_ = 0;
  quint32 filesProcessed_ = 0;
  quint64 bytesAnunciados_ = 0;  // by the headers, counting pass
  quint64 bytesGravados_ = 0;    // by the library, extraction pass
  bool limiteExcedido_ = false;
  QStringList gravados_;
  QStringList volumes_;
  int pedidosVolume_ = 0;
  std::atomic<bool> cancelada_{false};
};

}  // namespace orvalto
