#pragma once
// The structure update stage of the update run. The product brings its own
// database-structure updater, AtualizadorBD.exe, as a package whose address
// the registration service gives. When VERSOESCAB.ATUALIZARBASE is "S" and
// nobody else is attached, the stage fetches and extracts it into the
// versions folder, writes CAMINHO.DIR there (the database location) and
// runs it with the argument "ORVALTO" (a Windows program through its
// launcher), telling the requesting terminal once a second that it is
// still waiting. It may run for LimiteAtualizadorBD minutes (section
// [Atualizacao] of Atualizador.ini); past that it is ended with the
// processes it started.
#include "update/contexto_estagio.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace orvalto {

class ArquivoAberto;
class DownloadPacotes;
class ProcessoIniciado;
class IndicadorEspera;
class SharedWebService;
class TDmWebService;

class AtualizaBase {
 public:
  // Extracts an archive into a folder, reading it from `leitura` (see
  // ArquivoAberto); false when it could not.
  using Descompacta =
      std::function<bool(const QString& arquivo, const QString& pastaDestino, const QString& leitura)>;
  // Removes a queued package: its VERSOESITEM rows and its file.
  using ApagaVersaoItem = std::function<bool(const QString& endereco)>;

  AtualizaBase(const ContextoEstagio& contexto, IndicadorEspera& indicador, DownloadPacotes& download,
               Descompacta descompacta, ApagaVersaoItem apagaVersaoItem);

  // True when the structure updater ran (whatever its exit code, which is
  // logged) or nothing was asked for. False when the user declined, users
  // are still attached, the package could not be had or extracted, the
  // program is missing or cannot be started, or on any other error (logged).
  // Errors opening the connection or the service client reach the caller.
  bool FAtualizaBase(SharedWebService& servicos);

  // Starts the command line (split at blanks) and waits for its end while
  // serving events, sending "[EXECANDWAIT]:0|" to the requesting terminal
  // once a second. The exit code, or -1 when the program could not start or
  // ran past LimiteAtualizadorBD (then it and its children were ended, and
  // limiteExcedido() is true until the next start).
  // There are no windows here: `modoJanela` changes nothing.
  int FExecutaEEspera(const QString& linhaComando, int modoJanela);
  // The same with the arguments given one by one, each passed whole.
  int FExecutaEEspera(const QStringList& argumentos, int modoJanela);

  // The last program FExecutaEEspera started was ended at the limit: what
  // it changed in the database is not to be trusted.
  bool limiteExcedido() const { return limiteExcedido_; }

 private:
  void encerraNoLimite(ProcessoIniciado& processo, double minutos);
  bool atualiza(TDmWebService& servico);
  bool usuariosLiberados();
  std::optional<ArquivoAberto> obtemPacote(const QString& endereco, const QString& versoes);
  bool extraiPacote(const ArquivoAberto& pacote, const QString& versoes);
  bool programaIntacto(const QString& programa);
  void gravaCaminhoDir(const QString& versoes);
  bool executaAtualizador(const QString& versoes);
  void mostraPainel() const;

  ContextoEstagio contexto_;
  IndicadorEspera& indicador_;
  DownloadPacotes& download_;
  Descompacta descompacta_;
  ApagaVersaoItem apagaVersaoItem_;
  bool limiteExcedido_ = false;
  // The structure updater's SHA-256 as extracted: a copy swapped in the
  // shared folder before it starts is not run.
  QByteArray hashPrograma_;
};

}  // namespace orvalto
