#pragma once
// The file listing of the replacement stage.
#include <QString>
#include <QStringList>

namespace orvalto {

// Appends to `lista` `pasta` + name for each file of `pasta` (which ends
// with a separator) whose name matches "*." + `extensao`, letter case
// ignored ("*" matches every name). With `recursivo`, folders whose names
// match are listed the same way. A file named `nomeProprio` (the running
// updater's own file) is never listed. Links are listed as files and never
// followed, so whoever deletes what is listed stays inside `pasta`.
void PListaArquivos(QStringList& lista, const QString& pasta, bool recursivo, const QString& extensao,
                    const QString& nomeProprio);

}  // namespace orvalto
