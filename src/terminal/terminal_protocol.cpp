#include "terminal/terminal_protocol.h"

#include <QHostAddress>

namespace orvalto {
namespace {

// 1-based position of the first occurrence, 0 when absent.
qsizetype pos(const QString& what, const QString& in) { return in.indexOf(what) + 1; }

// A copy that starts at a 1-based index (below 1 counts as 1), stops at the
// end of the text and is empty for a count of 0 or less.
QString copy(const QString& text, qsizetype index, qsizetype count) {
  if (index < 1) index = 1;
  if (count <= 0 || index > text.size()) return {};
  return text.mid(index - 1, count);
}

// The text after the first "|"; unchanged when there is none.
QString dropCampo(const QString& text) { return text.mid(pos("|", text)); }

}  // namespace

QString extraiTag(const QString& requisicao) { return copy(requisicao, pos("[", requisicao), pos("]", requisicao)); }

DadosEmpresa leConfigCli(const QString& requisicao) {
  // 19 is "[CONFIGCLI]" and "CODEMP:" plus one; 8 is a label plus one.
  DadosEmpresa d;
  QString s = requisicao;
  d.CodEmpresa = copy(s, pos("CODEMP:", s) + 7, pos("|", s) - 19);
  s = dropCampo(s);
  d.RazaoEmpresa = copy(s, pos("RAZEMP:", s) + 7, pos("|", s) - 8);
  s = dropCampo(s);
  d.NomeEmpresa = copy(s, pos("NOMEMP:", s) + 7, pos("|", s) - 8);
  s = dropCampo(s);
  d.CnpjEmpresa = copy(s, pos("CGCEMP:", s) + 7, pos("|", s) - 8);
  return d;
}

QString respostaStatus(bool emAtualizacao, bool emDownload) {
  if (emAtualizacao) return mensagem::status(1);
  if (emDownload) return mensagem::status(2);
  return mensagem::status(0);
}

QByteArray limitaLeitura(QByteArray lido) {
  if (lido.size() > kLimiteLeitura) lido.truncate(kLimiteLeitura);
  return lido;
}

QString enderecoTerminal(const QHostAddress& endereco) {
  bool ipv4 = false;
  const quint32 v4 = endereco.toIPv4Address(&ipv4);
  if (ipv4) return QHostAddress(v4).toString();
  return endereco.toString();
}

}  // namespace orvalto
