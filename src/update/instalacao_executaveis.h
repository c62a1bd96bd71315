#pragma once
// Puts new executables into the versions folder. Each one is first copied
// beside its place under a temporary name and then renamed into it, so a
// workstation never starts a half-written file and a crash never leaves
// one; the executable it replaces keeps the dated old-copy name of the day
// (the first copy of a day stays when there is one already). When one
// cannot be put in place, those installed so far are put back as they were.
#include <QDate>
#include <QList>
#include <QString>

namespace orvalto {

// Modulo.exe replaced on 8 March 2024: Modulo_OLD-08-03-2024.exe (the last
// four characters of the name give way to the suffix).
QString FNomeCopiaAntiga(const QString& nome, const QDate& dia);

// Puts right what a program stopped in the middle of an installation left
// in `pastaVersoes` (ending with a separator): a copy not yet renamed into
// place is deleted; an executable kept aside comes back to its name when
// nothing took it, and is dropped when its replacement is in place.
void PRecuperaInstalacaoInterrompida(const QString& pastaVersoes);

class InstalacaoExecutaveis {
 public:
  // `pastaVersoes` ends with a separator.
  InstalacaoExecutaveis(QString pastaVersoes, QDate dia);
  // What was installed and not confirmed is put back.
  ~InstalacaoExecutaveis();
  InstalacaoExecutaveis(const InstalacaoExecutaveis&) = delete;
  InstalacaoExecutaveis& operator=(const InstalacaoExecutaveis&) = delete;

  // Installs the file `origem` under its own name. False, with nothing of
  // it left in the versions folder, when it cannot (see erro()).
  bool instala(const QString& origem);
  // Keeps everything installed; drops what was kept only to put it back.
  void confirma();
  // Puts back everything installed so far.
  void desfaz();

  const QString& erro() const { return erro_; }

 private:
  struct Instalado {
    QString destino;
    QString anterior;               // where the replaced executable went; empty when there was none
    bool guardaTemporaria = false;  // `anterior` is not its dated copy
  };
  void volta(const Instalado& item);

  QString pasta_;
  QDate dia_;
  QList<Instalado> instalados_;
  QString erro_;
};

}  // namespace orvalto
