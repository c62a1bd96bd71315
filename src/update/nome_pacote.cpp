#include "update/nome_pacote.h"

namespace orvalto {

QString FNomeArquivoUrl(const QString& texto) {
  const qsizetype corte = std::max(texto.lastIndexOf('/'), texto.lastIndexOf(':'));
  return corte < 0 ? texto : texto.mid(corte + 1);
}

bool nomePacoteSeguro(const QString& nome) {
  return !nome.contains('/') && !nome.contains('\\') && nome != "." && nome != "..";
}

}  // namespace orvalto
