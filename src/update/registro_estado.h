#pragma once
// What the last search and the last update run left behind, for
// `--estado` and the shell commands that wait for them: a small JSON file
// beside the executable, always replaced whole (never half written). The
// run's outcome is learnt from the messages it sends the terminals.
#include "base/app_context.h"

#include <QDateTime>
#include <QString>

namespace orvalto {

inline constexpr const char* kArquivoEstado = "EstadoAtualizador.json";

// Outcomes of a run besides the "[ERRO]:n|" tag it ended with.
inline constexpr const char* kResultadoOk = "ok";
inline constexpr const char* kResultadoInterrompida = "interrompida";  // ended with no message

struct EstadoGravado {
  QDateTime buscaInicio, buscaFim;
  QDateTime atualizacaoInicio, atualizacaoFim;
  QString resultado;    // empty while a run goes on, or before the first
  bool legivel = true;  // false: the file exists but could not be read
};

// A local time in ISO 8601 with its offset from UTC; milliseconds only when
// asked for (the file keeps them: a shell command compares its own request
// time with the run's start).
QString textoIso(const QDateTime& quando, bool milissegundos = false);

// The file of the installation in `exeDir`; all empty when there is none.
EstadoGravado leEstado(const QString& exeDir);

// The "[ERRO]:n|" tag a message carries ("[ERRO]" for an error text without
// a number); empty when it is no error.
QString tagErro(const QString& mensagem);

class RegistroEstado {
 public:
  explicit RegistroEstado(const AppContext& ctx) : ctx_(ctx) {}

  void inicioBusca();
  void fimBusca();

  // A run starts: the previous run's end and outcome are cleared.
  void inicioAtualizacao();
  // Every message the run sends: the success step and the first error
  // decide the outcome.
  void observaMensagem(const QString& mensagem);
  void fimAtualizacao();

 private:
  template <typename Altera>
  void altera(Altera alteracao);

  AppContext ctx_;
  QString erro_;
  bool concluida_ = false;
};

}  // namespace orvalto
