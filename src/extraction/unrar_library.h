#pragma once
// The UnRAR library, loaded at run time by name: one process-wide table of
// its entry points that every extraction shares. The program carries the
// library file among its resources and writes it beside itself when it is
// missing, so an installation works without the system's copy (which is
// preferred whenever it is there).
#include <QString>

struct RAROpenArchiveData;
struct RARHeaderDataEx;

namespace orvalto {

// The library's file name on this platform.
extern const char* const kArquivoUnrar;

// The library's callback: message, user data, two values.
using UnrarCallback = int (*)(unsigned int mensagem, long dados, long p1, long p2);

struct EntradasUnrar {
  void* (*RAROpenArchive)(RAROpenArchiveData*) = nullptr;
  int (*RARReadHeaderEx)(void*, RARHeaderDataEx*) = nullptr;
  int (*RARProcessFile)(void*, int, char*, char*) = nullptr;
  int (*RARCloseArchive)(void*) = nullptr;
  void (*RARSetCallback)(void*, UnrarCallback, long) = nullptr;
  void (*RARSetPassword)(void*, char*) = nullptr;
  int (*RARGetDllVersion)() = nullptr;

  // Everything an extraction calls was found.
  bool completas() const;
};

// Writes the library from the program's resources beside the executable
// when no file of that name is there; an existing file is never replaced,
// whatever it holds. Throws std::runtime_error when it cannot be written.
void PGravaDllUnrar(const QString& pastaExecutavel);

// Loads the library, the system's first and the one beside the executable
// only when the system has none, and looks its entry points up; nothing changes when it cannot
// be loaded. Every load that succeeds takes one reference and every unload
// gives one back: the library goes, and the table is emptied, with the last
// one, so an extraction never finds the table emptied under it. True when
// a reference was taken.
bool LoadUnrarLibrary(const QString& pastaExecutavel);
void UnloadUnrarLibrary();
bool UnrarLibraryLoaded();
// The entry points; all empty while the library is not loaded.
EntradasUnrar EntradasUnrarCarregadas();
// The file the library was loaded from; empty while not loaded.
QString ArquivoUnrarCarregado();

// One reference to the library, taken at construction when it can be
// loaded and given back at destruction.
class ReferenciaUnrar {
 public:
  explicit ReferenciaUnrar(const QString& pastaExecutavel);
  ~ReferenciaUnrar();
  ReferenciaUnrar(const ReferenciaUnrar&) = delete;
  ReferenciaUnrar& operator=(const ReferenciaUnrar&) = delete;

  bool carregada() const { return carregada_; }

 private:
  bool carregada_ = false;
};

}  // namespace orvalto
