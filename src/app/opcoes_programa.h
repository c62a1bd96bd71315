#pragma once
// Command-line options. The product starts without any; these exist for
// servers without a desktop and for running test servers side by side.
#include <QString>
#include <QStringList>

namespace orvalto {

inline constexpr int kPortaTerminais = 5555;

// The commands that ask the running service (or the installation) and end.
enum class ComandoServico { Nenhum, Estado, Buscar, Atualizar, TestarConexao };

struct OpcoesPrograma {
  bool headless = false;       // --headless: no widgets, messages to the log and stderr
  int port = kPortaTerminais;  // --port N: the terminals' TCP port
  bool help = false;
  bool mostraConfiguracao = false;                  // --configuracao: print the settings and end
  bool alteraConfiguracao = false;                  // --configura NOME=valor ...: change settings and end
  QStringList atribuicoes;                          // the NOME=valor arguments of --configura
  bool sim = false;                                 // --sim: answer Yes to the settings' question
  ComandoServico comando = ComandoServico::Nenhum;  // --estado, --buscar, --atualizar, --testar-conexao
  bool json = false;                                // --json: --estado as one JSON object
  QString error;                                    // not empty when the arguments were not understood
};

OpcoesPrograma leOpcoesPrograma(const QStringList& arguments);  // arguments without the program name
QString textoUso();

// True when a display server can be reached (or Qt was told which platform
// to use).
bool displayAvailable();

}  // namespace orvalto
