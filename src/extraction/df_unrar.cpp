#include "extraction/df_unrar.h"

#include "extraction/entrada_segura.h"
#include "extraction/rar_completo.h"
#include "extraction/unrar_api.h"
#include "platform/files.h"

#include <QDir>
#include <QFile>

#include <cstring>
#include <memory>

namespace orvalto {
namespace {

constexpr int kBufferComentario = 65536;
// A volume the library keeps asking for is not coming.
constexpr int kPedidosVolume = 3;
constexpr unsigned kTamanhoAlvo = 4096;

// The component the library's callback talks to (the callback carries no
// useful user data).
std::atomic<TDFUnRar*> alvoRetorno{nullptr};

QString descricaoResultado(int codigo) {
  switch (codigo) {
    case ERAR_NO_MEMORY: return QStringLiteral("memória insuficiente");
    case ERAR_BAD_DATA: return QStringLiteral("dados danificados");
    case ERAR_BAD_ARCHIVE: return QStringLiteral("arquivo danificado");
    case ERAR_UNKNOWN_FORMAT: return QStringLiteral("formato desconhecido");
    case ERAR_EOPEN: return QStringLiteral("volume ausente ou impossível de abrir");
    case ERAR_ECREATE: return QStringLiteral("não foi possível criar o arquivo");
    case ERAR_ECLOSE: return QStringLiteral("erro ao fechar o arquivo");
    case ERAR_EREAD: return QStringLiteral("erro de leitura");
    case ERAR_EWRITE: return QStringLiteral("erro de gravação");
    case ERAR_MISSING_PASSWORD: return QStringLiteral("senha não informada");
    case ERAR_BAD_PASSWORD: return QStringLiteral("senha incorreta");
    case kSemBiblioteca: return QStringLiteral("biblioteca UnRAR não carregada");
    case kEntradaRecusada: return QStringLiteral("entrada recusada");
    case kArquivoIncompleto: return QStringLiteral("arquivo incompleto");
    case kOutraExtracao: return QStringLiteral("outra descompactação em andamento");
    case kInterrompida: return QStringLiteral("descompactação interrompida");
    case kLimiteExcedido: return QStringLiteral("limite de descompactação excedido");
    default: return QStringLiteral("erro desconhecido");
  }
}

// Keeps the component as the callback's target for the length of one
// extraction; a second extraction finds the place taken.
class AlvoRetorno {
 public:
  explicit AlvoRetorno(TDFUnRar* componente) {
    TDFUnRar* livre = nullptr;
    ocupado_ = alvoRetorno.compare_exchange_strong(livre, componente);
  }
  ~AlvoRetorno() {
    if (ocupado_) alvoRetorno = nullptr;
  }
  bool ocupado() const { return ocupado_; }

 private:
  bool ocupado_ = false;
};

}  // namespace

int retornoUnrar(unsigned int mensagem, long, long p1, long p2) {
  TDFUnRar* alvo = alvoRetorno.load();
  return alvo ? alvo->trataMensagem(mensagem, p1, p2) : -1;
}

// One open of the archive, closed on every path.
class TDFUnRar::Passagem {
 public:
  Passagem(const EntradasUnrar& e, const TDFUnRar& componente, unsigned modo)
      : e_(e), nome_(QFile::encodeName(componente.FileName)) {
    RAROpenArchiveData dados{};
    dados.ArcName = nome_.data();
    dados.OpenMode = modo;
    dados.CmtBuf = comentario_.get();
    dados.CmtBufSize = kBufferComentario;
    handle_ = e_.RAROpenArchive(&dados);
    if (!handle_)
      throw ErroAberturaRar(QString("Não foi possível abrir o arquivo %1: resultado %2 da biblioteca UnRAR (%3).")
                                .arg(QDir::toNativeSeparators(componente.FileName))
                                .arg(dados.OpenResult)
                                .arg(descricaoResultado(int(dados.OpenResult)))
                                .toStdString());
    e_.RARSetCallback(handle_, &retornoUnrar, 0);
    if (!componente.Password.isEmpty()) {
      QByteArray senha = componente.Password.toUtf8();
      e_.RARSetPassword(handle_, senha.data());
    }
  }
  ~Passagem() { e_.RARCloseArchive(handle_); }
  Passagem(const Passagem&) = delete;
  Passagem& operator=(const Passagem&) = delete;

  void* handle() const { return handle_; }

 private:
  const EntradasUnrar& e_;
  QByteArray nome_;
  std::unique_ptr<char[]> comentario_ = std::make_unique<char[]>(kBufferComentario);
  void* handle_ = nullptr;
};

QString ResultadoExtracao::texto() const {
  QString t = codigo > 0 ? QString("resultado %1 da biblioteca UnRAR (%2)").arg(codigo).arg(descricaoResultado(codigo))
                         : descricaoResultado(codigo);
  if (!detalhe.isEmpty()) t += ": " + detalhe;
  if (!entrada.isEmpty()) t += ", entrada " + entrada;
  return t;
}

TDFUnRar::TDFUnRar(const QString& pastaExecutavel) : biblioteca_(pastaExecutavel) {
  const EntradasUnrar e = EntradasUnrarCarregadas();
  if (biblioteca_.carregada() && e.RARGetDllVersion) dllVersion_ = e.RARGetDllVersion();
}

TDFUnRar::~TDFUnRar() = default;

ResultadoExtracao TDFUnRar::Extract() {
  const EntradasUnrar e = EntradasUnrarCarregadas();
  if (!biblioteca_.carregada() || !e.completas()) return {kSemBiblioteca, {}, {}};
  // Taken before anything of this component changes: it may be the one
  // extracting right now.
  AlvoRetorno alvo(this);
  if (!alvo.ocupado()) return {kOutraExtracao, {}, {}};
  filesProcessed_ = 0;
  gravados_.clear();
  volumes_ = QStringList{FileName};
  pedidosVolume_ = 0;
  cancelada_ = false;
  bytesGravados_ = 0;
  limiteExcedido_ = false;
  contaEntradas(e);
  const ResultadoExtracao volumes = verificaVolumes();
  if (!volumes.completo()) return volumes;
  const ResultadoExtracao limites = verificaLimites();
  if (!limites.completo()) return limites;
  return extraiEntradas(e);
}

// Read for headers only: skipping an entry of a solid archive then costs
// nothing, where an extraction-mode skip would unpack it.
void TDFUnRar::contaEntradas(const EntradasUnrar& e) {
  fileCount_ = 0;
  bytesAnunciados_ = 0;
  Passagem passagem(e, *this, RAR_OM_LIST);
  RARHeaderDataEx cabecalho;
  for (;;) {
    std::memset(&cabecalho, 0, sizeof cabecalho);
    // A header error ends the count; the extraction pass reports it.
    if (e.RARReadHeaderEx(passagem.handle(), &cabecalho) != ERAR_SUCCESS) break;
    if (e.RARProcessFile(passagem.handle(), RAR_SKIP, nullptr, nullptr) != ERAR_SUCCESS) break;
    if (cabecalho.Flags & RHDF_SPLITBEFORE) continue;
    ++fileCount_;
    bytesAnunciados_ += (quint64(cabecalho.UnpSizeHigh) << 32) | cabecalho.UnpSize;
  }
}

ResultadoExtracao TDFUnRar::verificaLimites() const {
  if (fileCount_ > LimiteEntradas)
    return {kLimiteExcedido, {}, QString("%1 entradas; o limite é %2").arg(fileCount_).arg(LimiteEntradas)};
  if (bytesAnunciados_ > LimiteBytes)
    return {
        kLimiteExcedido, {}, QString("%1 bytes descompactados; o limite é %2").arg(bytesAnunciados_).arg(LimiteBytes)};
  return {};
}

ResultadoExtracao TDFUnRar::verificaVolumes() const {
  for (const QString& volume : volumes_) {
    const EstadoRar estado = FEstadoRar(volume);
    if (estado == EstadoRar::Incompleto || estado == EstadoRar::Danificado)
      return {kArquivoIncompleto,
              {},
              QDir::toNativeSeparators(volume) + (estado == EstadoRar::Incompleto
                                                      ? QString(" termina antes do fim")
                                                      : QString(" tem cabeçalhos danificados"))};
  }
  return {};
}

ResultadoExtracao TDFUnRar::extraiEntradas(const EntradasUnrar& e) {
  Passagem passagem(e, *this, RAR_OM_EXTRACT);
  QByteArray destino = QFile::encodeName(Directory);
  auto cabecalho = std::make_unique<RARHeaderDataEx>();
  std::vector<wchar_t> alvoLigacao(kTamanhoAlvo);
  const DestinoSeguro destinoSeguro(Directory);
  for (;;) {
    std::memset(cabecalho.get(), 0, sizeof *cabecalho);
    cabecalho->RedirName = alvoLigacao.data();
    cabecalho->RedirNameSize = kTamanhoAlvo;
    const int lido = e.RARReadHeaderEx(passagem.handle(), cabecalho.get());
    if (lido == ERAR_END_ARCHIVE) return {};
    // A header error does not move the library on: reading again would
    // meet the same error for ever.
    if (lido != ERAR_SUCCESS) return {lido, {}, {}};
    ++filesProcessed_;
    if (OnProgress) OnProgress(filesProcessed_, fileCount_);
    const QString nome = QString::fromWCharArray(cabecalho->FileNameW);
    const QString motivo = destinoSeguro.motivoRecusa(
        nome, cabecalho->RedirType, cabecalho->RedirType ? QString::fromWCharArray(alvoLigacao.data()) : QString());
    if (!motivo.isEmpty()) return {kEntradaRecusada, nome, motivo};
    const int processado = e.RARProcessFile(passagem.handle(), RAR_EXTRACT, destino.data(), nullptr);
    if (limiteExcedido_) return {kLimiteExcedido, nome, QString("mais de %1 bytes descompactados").arg(LimiteBytes)};
    if (cancelada_) return {kInterrompida, nome, {}};
    if (processado != ERAR_SUCCESS) return {processado, nome, {}};
    const QString caminho = QDir(Directory).filePath(nome);
    PRestringePermissoes(caminho);
    if (!(cabecalho->Flags & RHDF_DIRECTORY)) gravados_.append(caminho);
  }
}

int TDFUnRar::trataMensagem(unsigned int mensagem, long p1, long p2) {
  switch (mensagem) {
    case UCM_CHANGEVOLUME: {
      const char* nome = reinterpret_cast<const char*>(p1);
      const QString volume = nome ? QFile::decodeName(nome) : QString();
      if (p2 == RAR_VOL_NOTIFY) {
        if (!volume.isEmpty() && !volumes_.contains(volume)) volumes_.append(volume);
        return 0;
      }
      // Asked for a volume: one that is not there, or that keeps failing,
      // ends the extraction instead of being asked for again and again.
      if (volume.isEmpty() || !fileExists(volume) || ++pedidosVolume_ > kPedidosVolume) return -1;
      return 0;
    }
    case UCM_PROCESSDATA:
      // Headers can lie about sizes: the bytes actually written count.
      bytesGravados_ += quint64(p2 > 0 ? p2 : 0);
      if (bytesGravados_ > LimiteBytes) limiteExcedido_ = true;
      return cancelada_ || limiteExcedido_ ? -1 : 0;
    case UCM_NEEDPASSWORD: {
      char* buffer = reinterpret_cast<char*>(p1);
      if (!buffer || p2 <= 0) return 0;
      const QByteArray senha = Password.toUtf8().left(int(p2) - 1);
      std::memcpy(buffer, senha.constData(), size_t(senha.size()));
      buffer[senha.size()] = '\0';
      return 0;
    }
    default: return 0;
  }
}

}  // namespace orvalto
