#pragma once
// How a program that came in a package is started on this server. Packages
// made on Windows bring their programs without an execute bit, and the
// structure updater is often a Windows program (a PE file, starting with
// "MZ"): such a program is started through a launcher, the command that
// ExecutorWindows= in section [Atualizacao] of Atualizador.ini names, or
// wine when that setting is absent and wine is on the PATH.
#include "base/secao_atualizacao.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace orvalto {

// True when the file starts with "MZ", the mark of a Windows program.
bool ehProgramaWindows(const QString& caminho);

// Gives the file's owner the right to execute it (the other bits stay).
// False, with the system's reason in `erro`, when it cannot.
bool daExecucaoAoDono(const QString& caminho, QString* erro);

// The launcher's command as a list of arguments: ExecutorWindows= of
// `exeDir`/Atualizador.ini (a path with blanks taken whole when it names a
// file, otherwise split like a command line, quotes grouping), else "wine"
// when it is on the PATH; empty when there is none. An unreadable
// Atualizador.ini throws std::runtime_error.
QStringList executorWindows(const QString& exeDir);

// The arguments that start `programa` with `argumentos`: the program
// itself, or, for a Windows program, the launcher with the program's path
// as its first argument. Nothing, with the reason in `erro`, when a Windows
// program has no launcher.
std::optional<QStringList> comandoDoPrograma(const QString& programa, const QStringList& argumentos,
                                             const QString& exeDir, QString* erro);

}  // namespace orvalto
