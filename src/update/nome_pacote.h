#pragma once
// Package files are named after their download address.
#include <QString>

namespace orvalto {

// The text after the last "/" or ":"; the whole text without either; empty
// when the text ends with one of them.
QString FNomeArquivoUrl(const QString& texto);

// A name that stays inside its folder: no path separator of either kind,
// not "." or "..". (Empty names are the caller's to handle.)
bool nomePacoteSeguro(const QString& nome);

}  // namespace orvalto
