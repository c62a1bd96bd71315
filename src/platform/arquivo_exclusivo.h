#pragma once
// Temporary files that nobody can steer: whatever lies at the temporary
// name (a leftover, or a link planted there to make us write over another
// file) is removed first, and the file is then created new, never through a
// link. And the permission bits a copy may carry: never setuid, setgid or
// writable by others, whatever the source had.
#include <QString>

#include <sys/types.h>

namespace orvalto {

// Removes the entry at `caminho` (a link itself, not what it points at) and
// creates a new empty file there with `modo` (O_CREAT|O_EXCL|O_NOFOLLOW),
// open for reading too: a copy may be fixed up in place before it is kept.
// The descriptor, or -1 with errno set.
int criaArquivoExclusivo(const QString& caminho, mode_t modo);

// `modo` without setuid, setgid, the sticky bit and others' write.
mode_t modoSeguro(mode_t modo);

}  // namespace orvalto
