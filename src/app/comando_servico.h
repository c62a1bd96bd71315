#pragma once
// The commands that ask the running service or the installation from a
// shell (--estado, --buscar, --atualizar, --testar-conexao). Like the
// settings commands they take no single-instance check and no port of
// their own, so they run beside the service, and they write no log: a
// monitoring check every minute must not fill it.
namespace orvalto {

struct OpcoesPrograma;

// The exit status of the command the options name, for the installation
// of the running executable. Needs an application object.
int executaComandoServico(const OpcoesPrograma& opcoes);

}  // namespace orvalto
