#pragma once
// The tray window's settings on the command line, for a server run without
// a desktop (a technician over SSH): the same rules, messages and
// statements as the window, and the ADMIN user's product password before
// anything is saved. Neither command takes the single-instance check or a
// terminal port, so both work beside a running updater.
#include "base/headless_interaction.h"

#include <QStringList>

namespace orvalto {

struct AppContext;
struct OpcoesPrograma;

// Messages go to standard error as the headless program writes them; the
// one question (a versions folder that is not a network path) is answered
// with `sim`.
class InteracaoLinhaComando : public HeadlessInteraction {
 public:
  explicit InteracaoLinhaComando(bool sim) : HeadlessInteraction(nullptr), sim_(sim) {}
  bool askYesNo(const QString& caption, const QString& text, bool safeAnswer) override;

 private:
  bool sim_;
};

// --configuracao: one NOME=valor line per setting on standard output
// (a set proxy password as "********"). The exit status.
int mostraConfiguracao(const AppContext& ctx);

// --configura NOME=valor ...: validates the named settings, asks for the
// password and saves them in one transaction; the other settings keep their
// stored values. 0 when saved, 1 when refused or failed, 2 for names it
// does not know.
int alteraConfiguracao(const AppContext& ctx, const QStringList& atribuicoes);

// The command the options name, for the installation of the running
// executable (its Caminho.ini, its log). Needs an application object.
int executaConfiguracao(const OpcoesPrograma& opcoes);

}  // namespace orvalto
