#pragma once
// The SHA-256 of each file the updater itself wrote into a shared folder
// (the packages in TMP/, the copy of its own executable in the versions
// folder), kept beside the executable where only the program's user may
// write. A file found there later is the program's own only while its
// content still has the recorded hash: workstations may write the shared
// folders too, often as the same user.
#include <QByteArray>
#include <QString>

namespace orvalto {

class ArquivoAberto;

inline constexpr const char* kArquivoRegistroArquivos = "ArquivosGravados.txt";

struct ArquivoRegistrado {
  QByteArray hash;        // SHA-256, lowercase hexadecimal; empty: no record
  QByteArray identidade;  // ArquivoAberto::identidade() taken before hashing; may be empty
};

class RegistroArquivos {
 public:
  explicit RegistroArquivos(QString exeDir) : exeDir_(std::move(exeDir)) {}

  // Records the file at `caminho`, replacing an earlier record; records of
  // files that are gone are dropped. Throws std::runtime_error when the
  // record cannot be written.
  void grava(const QString& caminho, const ArquivoRegistrado& registro) const;
  // What is recorded for `caminho`; an empty hash when nothing is.
  ArquivoRegistrado de(const QString& caminho) const;

 private:
  QString exeDir_;
};

// The SHA-256 of `arquivo`, hashed on a thread of its own: a large package
// takes a while, and the terminals are answered meanwhile.
QByteArray sha256ServindoEventos(const ArquivoAberto& arquivo);

// `arquivo` as it is now: its identity, then its hash.
ArquivoRegistrado registroDe(const ArquivoAberto& arquivo);

}  // namespace orvalto
