#include "app/progresso_em_palavras.h"

#include <QRegularExpression>

namespace orvalto {
namespace {

// The stage each "[ATUALIZANDO]:n|" opens is n + 1: the first download
// comes before any message.
const char* const kEtapas[kEtapasAtualizacao] = {"download das versões", "verificação das versões baixadas",
                                                 "cópia de segurança do banco", "atualização da base de dados",
                                                 "troca dos executáveis no servidor"};

int numeroDaTag(const QString& mensagem, const QString& tag) {
  const QRegularExpression re("^\\[" + tag + "\\]:(\\d+)");
  const QRegularExpressionMatch m = re.match(mensagem);
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The text an error carries after its tag ("[ERRO]:9|Existem ...").
QString detalhe(const QString& mensagem) { return mensagem.section('|', 1).trimmed(); }

// `etapa` 0: the folder check between the first download and the second.
QString falhaNaEtapa(int etapa, const QString& explicacao, const QString& tag) {
  QString linha = etapa == 0 ? QString::fromUtf8("Falha na verificação das pastas")
                             : QString::fromUtf8("Falha em %1").arg(textoEtapa(etapa));
  if (!explicacao.isEmpty()) linha += " — " + explicacao;
  return linha + " " + tag;
}

}  // namespace

QString textoEtapa(int etapa) {
  if (etapa < 1 || etapa > kEtapasAtualizacao) return {};
  return QString("%1/%2: ").arg(etapa).arg(kEtapasAtualizacao) + QString::fromUtf8(kEtapas[etapa - 1]);
}

QString textoFalha(const QString& mensagem) {
  const int n = numeroDaTag(mensagem, "ERRO");
  const QString tag = n < 0 ? QStringLiteral("[ERRO]") : QString("[ERRO]:%1|").arg(n);
  switch (n) {
    case 0: return QString::fromUtf8("O serviço já está atualizando: o pedido foi recusado. [ERRO]:0");
    case 1:
      return falhaNaEtapa(0, QString::fromUtf8("a pasta de backup ou a de versões não foi informada ou não existe."),
                          tag);
    case 2: return falhaNaEtapa(2, QString::fromUtf8("houve um erro ao fazer o download de versões."), tag);
    case 3: return falhaNaEtapa(3, detalhe(mensagem), tag);
    case 4: return falhaNaEtapa(4, QString::fromUtf8("houve um erro ao atualizar a base de dados."), tag);
    case 5:
      return falhaNaEtapa(
          5, QString::fromUtf8("os executáveis não foram trocados; o banco foi restaurado da cópia de segurança."),
          tag);
    case 9: return QString::fromUtf8("Atualização recusada: ") + detalhe(mensagem) + " " + tag;
    default: return QString::fromUtf8("Falha na atualização: ") + mensagem;
  }
}

QString NarradorProgresso::inicio() { return etapa_ == 0 ? entraNaEtapa(1) : QString(); }

QString NarradorProgresso::entraNaEtapa(int etapa) {
  etapa_ = etapa;
  percentual_ = -1;
  return textoEtapa(etapa);
}

QString NarradorProgresso::narra(const QString& mensagem) {
  if (mensagem.contains("[ERRO]")) return textoFalha(mensagem);
  const int atualizando = numeroDaTag(mensagem, "ATUALIZANDO");
  if (atualizando == kEtapasAtualizacao) return QString::fromUtf8("Atualização concluída com sucesso.");
  if (atualizando >= 1 && atualizando < kEtapasAtualizacao) {
    const QString primeira = inicio();  // the first download said nothing
    const QString etapa = entraNaEtapa(atualizando + 1);
    return primeira.isEmpty() ? etapa : primeira + "\n" + etapa;
  }
  const int percentual = numeroDaTag(mensagem, "PROGRESSO");
  if (percentual >= 0) {
    const QString etapa = atualizacao_ ? inicio() : QString();  // a download seen before the start was
    if (percentual == percentual_) return etapa;
    percentual_ = percentual;
    const QString linha = QString("    download: %1%").arg(percentual);
    return etapa.isEmpty() ? linha : etapa + "\n" + linha;
  }
  if (numeroDaTag(mensagem, "EXECANDWAIT") >= 0 && !baseEmExecucao_) {
    baseEmExecucao_ = true;
    return QString::fromUtf8("    atualizador da base de dados em execução...");
  }
  return {};
}

}  // namespace orvalto
