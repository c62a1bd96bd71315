#pragma once
// The executable replacement stage: extracts every queued package (kept in
// the versions folder's TMP/ folder) into a folder of the program's own,
// puts the executables found there into the versions folder (the replaced ones keep a dated old-copy name), empties
// TMP/, removes the installed rows from VERSOESITEM and tells the
// registration service which modules were updated.
//
// Nothing is changed before every queued package is in TMP/ and extracted
// completely: a package that cannot be had or extracted leaves the versions
// folder, the queue and the service as they were.
#include "update/contexto_estagio.h"

#include <QString>
#include <QStringList>

namespace orvalto {

class DownloadPacotes;
class SharedWebService;
class TfrmProgressoDescompactado;
struct QueryResult;

class TrocaVersoes {
 public:
  TrocaVersoes(const ContextoEstagio& contexto, DownloadPacotes& download);

  // True when the executables were installed and the queue emptied of the
  // rows read at the start (a confirmation the service refuses is logged
  // but does not undo that). False with nothing queued, when a package
  // fails, when an executable cannot be installed (those already installed
  // are put back) or on an error, which is logged. Errors before the queue
  // is read reach the caller.
  bool FTrocaVersoes(SharedWebService& servicos);

  // The files of `pasta` matching "*." + `extensao` ("*": all), and of its
  // matching folders when `recursivo`; never the updater's own file.
  void PListaArquivos(QStringList& lista, const QString& pasta, bool recursivo, const QString& extensao) const;

  // Removes the queued rows with the address `endereco` and the package
  // file named after it from the versions folder. False, after a warning
  // dialog, when the rows cannot be removed.
  bool FApagaVersaoItem(const QString& endereco);

 private:
  bool preparaPacotes(const QueryResult& fila, const QString& pastaTmp, const QString& pastaExtracao,
                      TfrmProgressoDescompactado& progresso);
  bool descartaPacote(const QString& pacote);
  bool instalaExecutaveis(const QString& pastaVersoes, const QString& pastaExtracao);
  void limpaTemporaria(const QString& pastaTmp);

  ContextoEstagio contexto_;
  DownloadPacotes& download_;
};

}  // namespace orvalto
