#include "platform/diario_servico.h"

#include <QRegularExpression>
#include <QStringList>

#include <unistd.h>

namespace orvalto {

NivelLog nivelDaLinha(NivelLog pedido, const QString& texto) {
  if (texto.startsWith(QLatin1String("Erro")) || texto.startsWith(QLatin1String("Falha")) ||
      texto.contains(QLatin1String("[ERRO]")))
    return NivelLog::Erro;
  return pedido;
}

QByteArray linhaDoDiario(NivelLog nivel, const QString& texto) {
  static const QRegularExpression quebra(QStringLiteral("\r\n|\r|\n"));
  const QByteArray prefixo = '<' + QByteArray::number(static_cast<int>(nivel)) + '>';
  QByteArray saida;
  // The journal takes each line as an entry of its own: each one carries
  // the level.
  for (const QString& linha : texto.split(quebra)) saida += prefixo + linha.toUtf8() + '\n';
  return saida;
}

void escreveLinhaErro(std::FILE* saida, bool diario, NivelLog nivel, const QString& texto) {
  const QByteArray bytes = diario ? linhaDoDiario(nivel, texto) : texto.toUtf8() + '\n';
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), saida);
  std::fflush(saida);
}

}  // namespace orvalto
