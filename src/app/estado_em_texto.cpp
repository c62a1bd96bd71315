// The state of --estado as lines for a person reading a terminal.
#include "app/estado_linha_comando.h"

#include <QDateTime>
#include <QJsonArray>
#include <QLocale>

namespace orvalto {
namespace {

QString quando(const QJsonValue& iso) {
  if (iso.isNull()) return QString::fromUtf8("nunca");
  const QDateTime d = QDateTime::fromString(iso.toString(), Qt::ISODate);
  return d.isValid() ? d.toLocalTime().toString("dd/MM/yyyy HH:mm:ss") : iso.toString();
}

QString ouDesconhecido(const QJsonValue& v, const char* ausente = "não informado") {
  return v.isNull() ? QString::fromUtf8(ausente) : v.toVariant().toString();
}

QString tamanho(double bytes) {
  return QLocale(QLocale::Portuguese, QLocale::Brazil)
      .formattedDataSize(static_cast<qint64>(bytes), 1, QLocale::DataSizeTraditionalFormat);
}

QString situacaoDoServico(const EstadoColetado& e) {
  const QJsonObject s = e.json["servico"].toObject();
  const int porta = s["porta"].toInt();
  if (!s["respondendo"].toBool()) return QString::fromUtf8("Serviço: NÃO responde na porta %1").arg(porta);
  const QString agora = e.situacao == "[STATUS]:1|"   ? QString::fromUtf8("atualizando")
                        : e.situacao == "[STATUS]:2|" ? QString::fromUtf8("baixando pacotes")
                                                      : QString::fromUtf8("ocioso");
  return QString::fromUtf8("Serviço: respondendo na porta %1 (%2)").arg(porta).arg(agora);
}

QStringList fila(const QJsonValue& v) {
  if (v.isNull()) return {QString::fromUtf8("Fila: desconhecida")};
  const QJsonArray itens = v.toArray();
  if (itens.isEmpty()) return {QString::fromUtf8("Fila: nenhuma versão a atualizar")};
  QStringList linhas{QString::fromUtf8("Fila: %1 versão(ões) a atualizar").arg(itens.size())};
  for (const QJsonValue& i : itens) linhas << "    " + i["sistema"].toString() + " " + i["endereco"].toString();
  return linhas;
}

QString ultimaAtualizacao(const QJsonObject& u) {
  if (u["inicio"].isNull()) return QString::fromUtf8("Última atualização: nunca");
  if (u["fim"].isNull() && !u["resultado"].isNull())
    return QString::fromUtf8("Última atualização: começou em %1 e não terminou (o serviço parou durante ela)")
        .arg(quando(u["inicio"]));
  if (u["fim"].isNull()) return QString::fromUtf8("Última atualização: em andamento desde ") + quando(u["inicio"]);
  return QString::fromUtf8("Última atualização: de %1 a %2, resultado: %3")
      .arg(quando(u["inicio"]), quando(u["fim"]), u["resultado"].toString());
}

QStringList backups(const QJsonValue& v) {
  if (v.isNull()) return {QString::fromUtf8("Backups: desconhecidos")};
  const QJsonArray lista = v.toArray();
  if (lista.isEmpty()) return {QString::fromUtf8("Backups: nenhum")};
  QStringList linhas{QString::fromUtf8("Backups:")};
  for (const QJsonValue& b : lista)
    linhas << "    " + b["arquivo"].toString() + " (" + tamanho(b["bytes"].toDouble()) + ")";
  return linhas;
}

QString pasta(const char* nome, const QJsonObject& p) {
  const QString livre = p["livreBytes"].isNull() ? QString::fromUtf8("espaço livre desconhecido")
                                                 : tamanho(p["livreBytes"].toDouble()) + " livres";
  return QString::fromUtf8(nome) + ": " + ouDesconhecido(p["caminho"]) + " (" + livre + ")";
}

}  // namespace

QStringList estadoEmTexto(const EstadoColetado& e) {
  const QJsonObject& j = e.json;
  QStringList linhas{situacaoDoServico(e), QString::fromUtf8("Versão: ") + j["versao"].toString(),
                     QString::fromUtf8("Servidor designado: ") + ouDesconhecido(j["servidorDesignado"], "nenhum"),
                     QString::fromUtf8("Banco de dados: ") + ouDesconhecido(j["banco"])};
  linhas << fila(j["fila"]);
  linhas << QString::fromUtf8("Última busca: ") + quando(j["ultimaBusca"]);
  linhas << QString::fromUtf8("Agendamento: ") +
                (j["agendamento"].isNull() ? QString::fromUtf8("nenhum") : quando(j["agendamento"]));
  linhas << ultimaAtualizacao(j["ultimaAtualizacao"].toObject());
  linhas << backups(j["backups"]);
  linhas << pasta("Pasta de versões", j["pastas"]["versoes"].toObject());
  linhas << pasta("Pasta de backup", j["pastas"]["backup"].toObject());
  return linhas;
}

}  // namespace orvalto
