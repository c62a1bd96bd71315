#include "extraction/unrar_library.h"

#include "platform/copia_duravel.h"
#include "platform/dynamic_library.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <clocale>
#include <mutex>
#include <stdexcept>

// The resource is compiled into the core library, which is static: its
// registration has to be asked for by name, outside any namespace.
static void registraRecursoUnrar() { Q_INIT_RESOURCE(biblioteca_unrar); }

namespace orvalto {

#ifdef Q_OS_WIN
const char* const kArquivoUnrar = "UnRAR.dll";
#else
const char* const kArquivoUnrar = "libunrar.so.5";
#endif

namespace {

struct Vinculo {
  std::mutex trava;
  DynamicLibrary biblioteca;
  int referencias = 0;
  EntradasUnrar entradas;
};

Vinculo& vinculo() {
  static Vinculo v;
  return v;
}

template <typename F>
void procura(const DynamicLibrary& biblioteca, F& entrada, const char* nome) {
  entrada = reinterpret_cast<F>(biblioteca.symbol(nome));
}

EntradasUnrar procuraEntradas(const DynamicLibrary& biblioteca) {
  EntradasUnrar e;
  procura(biblioteca, e.RAROpenArchive, "RAROpenArchive");
  procura(biblioteca, e.RARReadHeaderEx, "RARReadHeaderEx");
  procura(biblioteca, e.RARProcessFile, "RARProcessFile");
  procura(biblioteca, e.RARCloseArchive, "RARCloseArchive");
  procura(biblioteca, e.RARSetCallback, "RARSetCallback");
  procura(biblioteca, e.RARSetPassword, "RARSetPassword");
  procura(biblioteca, e.RARGetDllVersion, "RARGetDllVersion");
  return e;
}

QString caminhoAoLado(const QString& pastaExecutavel) {
  return QDir(pastaExecutavel).filePath(QString::fromLatin1(kArquivoUnrar));
}

}  // namespace

bool EntradasUnrar::completas() const {
  return RAROpenArchive && RARReadHeaderEx && RARProcessFile && RARCloseArchive && RARSetCallback && RARSetPassword;
}

void PGravaDllUnrar(const QString& pastaExecutavel) {
  const QString caminho = caminhoAoLado(pastaExecutavel);
  const QFileInfo existente(caminho);
  if (existente.exists() || existente.isSymLink()) return;
  registraRecursoUnrar();
  QFile recurso(QStringLiteral(":/unrar/biblioteca"));
  if (!recurso.open(QIODevice::ReadOnly)) throw std::runtime_error("UnRAR library resource missing");
  // Written under another name and renamed when complete: a file cut short
  // would otherwise stay beside the executable for good.
  gravaArquivoDuravel(caminho, recurso.readAll());
}

bool LoadUnrarLibrary(const QString& pastaExecutavel) {
  Vinculo& v = vinculo();
  std::lock_guard<std::mutex> guarda(v.trava);
  if (v.referencias == 0) {
    // The system's copy gets the distribution's security updates; the
    // program's own copy is never refreshed and serves only without it.
    if (!v.biblioteca.load(QString::fromLatin1(kArquivoUnrar)) && !v.biblioteca.load(caminhoAoLado(pastaExecutavel)))
      return false;
    // Entry names reach the library as multibyte text: without a UTF-8
    // character type, names outside ASCII fail.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    v.entradas = procuraEntradas(v.biblioteca);
  }
  ++v.referencias;
  return true;
}

void UnloadUnrarLibrary() {
  Vinculo& v = vinculo();
  std::lock_guard<std::mutex> guarda(v.trava);
  if (v.referencias == 0 || --v.referencias > 0) return;
  v.entradas = {};
  v.biblioteca.unload();
}

bool UnrarLibraryLoaded() {
  Vinculo& v = vinculo();
  std::lock_guard<std::mutex> guarda(v.trava);
  return v.referencias > 0;
}

EntradasUnrar EntradasUnrarCarregadas() {
  Vinculo& v = vinculo();
  std::lock_guard<std::mutex> guarda(v.trava);
  return v.entradas;
}

QString ArquivoUnrarCarregado() {
  Vinculo& v = vinculo();
  std::lock_guard<std::mutex> guarda(v.trava);
  return v.biblioteca.filePath();
}

ReferenciaUnrar::ReferenciaUnrar(const QString& pastaExecutavel) : carregada_(LoadUnrarLibrary(pastaExecutavel)) {}

ReferenciaUnrar::~ReferenciaUnrar() {
  if (carregada_) UnloadUnrarLibrary();
}

}  // namespace orvalto
