#pragma once
// The updater keeps itself current: once a day, at the end of a search for
// new versions, it fetches its own package from the maker, and when the
// executable inside is newer than the copy kept in the versions folder it
// puts it there and asks the program to end and come back. The running
// file is not touched here: the self-replacement at program end copies the
// kept copy over it, and the restart is launched only after that.
#include "base/relogio.h"
#include "update/contexto_estagio.h"

#include <QDate>
#include <QString>

#include <functional>
#include <memory>

namespace orvalto {

class DownloadPacotes;
class TfrmProgressoDescompactado;

inline constexpr const char* kPacoteAtualizador = "Orvalto.rar";
inline constexpr const char* kExecutavelPacote = "Orvalto.exe";

class AutoAtualizacao {
 public:
  AutoAtualizacao(const ContextoEstagio& contexto, DownloadPacotes& download);
  ~AutoAtualizacao();
  AutoAtualizacao(const AutoAtualizacao&) = delete;
  AutoAtualizacao& operator=(const AutoAtualizacao&) = delete;

  // The daily attempt, on the open product connection. True when a newer
  // copy was kept and the restart requested. Nothing leaves it: failures
  // are logged.
  bool FAtualizaAtualizador();

  // Gives today's date; tests move it.
  Relogio relogio = &QDateTime::currentDateTime;
  // Asks the program to end once control is back in its event loop.
  std::function<void()> encerraAplicacao;

 private:
  bool executa();
  bool tentativaDevida();
  // The extracted executable under the updater's own name, empty (logged)
  // when the package had none that can run here.
  QString executavelExtraido(const QString& pastaTmp);
  bool guardaCopia(const QString& extraido, const QString& pastaVersoes);
  void marcaReinicio();

  ContextoEstagio contexto_;
  DownloadPacotes& download_;
  // Created at the first extraction and kept.
  std::unique_ptr<TfrmProgressoDescompactado> janelaDescompactacao_;
};

}  // namespace orvalto
