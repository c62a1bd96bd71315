#pragma once
// Where packages are extracted before their files are installed: a new
// folder that only this program's user may enter or write (0700), in the
// system's temporary folder, whose sticky bit keeps others from renaming
// it away. Files extracted into a shared folder could be swapped by a
// workstation before they are installed.
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace orvalto {

// The folder, removed with everything in it when the object goes; empty,
// with the reason in `motivo`, when it cannot be made.
std::unique_ptr<QTemporaryDir> criaPastaPrivada(QString* motivo);

}  // namespace orvalto
