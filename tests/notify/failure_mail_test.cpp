// The failure mail on the vendor simulator's SMTP server: what the support
// mailbox receives, a refusal, an unreachable and a silent server.
#include "base/handler_guard.h"
#include "base/operation_log.h"
#include "notify/email_falha.h"
#include "notify/envia_email.h"
#include "platform/codepage.h"
#include "support/qt_app.h"
#include "support/scripted_interaction.h"
#include "support/vendor_sim.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

namespace orvalto::test {
namespace {

const char* const kConta = "notifica@fabricante.test";
const char* const kSenha = "senha1234";
const char* const kSuporte = "suporte@fabricante.test";
const char* const kLogo = "http://127.0.0.1/logo.png?a=1&b=2";

QJsonObject cenarioSmtp() {
  return QJsonObject{{"smtp", QJsonObject{{"user", kConta},
                                          {"password", kSenha},
                                          {"rejectRecipients", QJsonArray{"ninguem@fabricante.test"}}}}};
}

// A mail as the reader sees it: its headers and its parts.
struct Mail {
  QMap<QString, QString> cabecalhos;  // names in lower case
  struct Parte {
    QString tipo;
    QString texto;  // decoded
  };
  QList<Parte> partes;
};

QByteArray decodificaQuotedPrintable(const QByteArray& qp) {
  QByteArray saida;
  for (qsizetype i = 0; i < qp.size(); ++i) {
    if (qp[i] != '=') {
      saida += qp[i];
    } else if (qp.mid(i + 1, 2) == "\r\n") {
      i += 2;  // soft line break
    } else {
      saida += static_cast<char>(qp.mid(i + 1, 2).toInt(nullptr, 16));
      i += 2;
    }
  }
  return saida;
}

QMap<QString, QString> leCabecalhos(const QByteArray& bloco) {
  QMap<QString, QString> c;
  for (const QByteArray& linha : bloco.split('\n')) {
    const qsizetype dois = linha.indexOf(':');
    if (dois > 0) c[QString::fromLatin1(linha.left(dois)).toLower()] = QString::fromUtf8(linha.mid(dois + 1).trimmed());
  }
  return c;
}

Mail leMail(const QByteArray& dados) {
  Mail m;
  const qsizetype fim = dados.indexOf("\r\n\r\n");
  m.cabecalhos = leCabecalhos(dados.left(fim));
  const QRegularExpression limite("boundary=\"?([^\";]+)\"?");
  const QString separador = "--" + limite.match(m.cabecalhos.value("content-type")).captured(1);
  const QByteArray corpo = dados.mid(fim + 4);
  qsizetype pos = corpo.indexOf(separador.toUtf8());
  while (pos >= 0) {
    const qsizetype inicio = pos + separador.size();
    if (corpo.mid(inicio, 2) == "--") break;
    const qsizetype proximo = corpo.indexOf(separador.toUtf8(), inicio);
    const QByteArray parte = corpo.mid(inicio + 2, proximo - inicio - 2);
    const qsizetype corte = parte.indexOf("\r\n\r\n");
    const QMap<QString, QString> c = leCabecalhos(parte.left(corte));
    QByteArray conteudo = parte.mid(corte + 4);
    if (conteudo.endsWith("\r\n")) conteudo.chop(2);
    if (c.value("content-transfer-encoding") == "quoted-printable") conteudo = decodificaQuotedPrintable(conteudo);
    m.partes.append({c.value("content-type"), QString::fromUtf8(conteudo)});
    pos = proximo;
  }
  return m;
}

QString decodificaAssunto(const QString& assunto) {
  QString texto;
  const QRegularExpression palavra("=\\?UTF-8\\?B\\?([^?]*)\\?=");
  for (auto it = palavra.globalMatch(assunto); it.hasNext();)
    texto += QString::fromUtf8(QByteArray::fromBase64(it.next().captured(1).toLatin1()));
  return texto.isEmpty() ? assunto : texto;
}

class EmailFalha : public ::testing::Test {
 protected:
  void SetUp() override { ensureQtApp(); }

  void configura(int porta, const QString& senha = kSenha) {
    QFile f(dir.filePath("Atualizador.ini"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QString("[Fornecedor]\r\nSmtpHost=127.0.0.1\r\nSmtpPorta=%1\r\nSmtpUsuario=%2\r\nSmtpSenha=%3\r\n"
                    "EmailSuporte=%4\r\nLogoURL=%5\r\n")
                .arg(porta)
                .arg(kConta, senha, kSuporte, kLogo)
                .toUtf8());
  }
  QStringList linhasDoLog() const {
    QFile f(log.fileFor(QDate::currentDate()));
    return f.open(QIODevice::ReadOnly) ? fromCp1252(f.readAll()).split("\r\n", Qt::SkipEmptyParts) : QStringList{};
  }

  QTemporaryDir dir;
  ScriptedInteraction ui;
  OperationLog log{dir.path()};
  AppContext ctx{dir.path(), "orvalto-atualizador", &log, &ui};
  TFEnviaEmail email{ctx};
};

TEST_F(EmailFalha, EachMailCarriesItsOwnSubjectAndEscapedTextInTwoAlternativeParts) {
  VendorSim sim(cenarioSmtp());
  configura(sim.smtpPort());
  const DadosEmpresa empresa{"7", "<Loja & Cia>", "Centro", "99"};
  EXPECT_TRUE(EnviaEmailFalha(email, FalhaAtualizacao::Executaveis, empresa));
  EXPECT_TRUE(EnviaEmailFalha(email, FalhaAtualizacao::Pastas, DadosEmpresa{}));

  const QJsonArray mails = sim.mails();
  ASSERT_EQ(mails.size(), 2);
  for (const auto& valor : mails) {
    const QJsonObject entrada = valor.toObject();
    EXPECT_EQ(entrada["user"].toString(), kConta);
    EXPECT_EQ(entrada["from"].toString(), kConta);
    EXPECT_EQ(entrada["to"].toArray(), QJsonArray{kSuporte});
  }
  const Mail primeiro = leMail(mails[0]["data"].toString().toUtf8());
  const Mail segundo = leMail(mails[1]["data"].toString().toUtf8());

  EXPECT_EQ(decodificaAssunto(primeiro.cabecalhos.value("subject")), QString::fromUtf8("Erro Backup Automático"));
  EXPECT_EQ(decodificaAssunto(segundo.cabecalhos.value("subject")), QString::fromUtf8("Erro Atualização Automática"));
  EXPECT_EQ(primeiro.cabecalhos.value("from"), QString("<%1>").arg(kConta));
  EXPECT_EQ(primeiro.cabecalhos.value("to"), QString("<%1>").arg(kSuporte));
  EXPECT_EQ(primeiro.cabecalhos.value("mime-version"), "1.0");
  EXPECT_TRUE(primeiro.cabecalhos.value("content-type").startsWith("multipart/alternative;"));
  const QDateTime data = QDateTime::fromString(primeiro.cabecalhos.value("date"), Qt::RFC2822Date);
  ASSERT_TRUE(data.isValid()) << primeiro.cabecalhos.value("date").toStdString();
  EXPECT_LT(qAbs(data.secsTo(QDateTime::currentDateTime())), 120);
  EXPECT_TRUE(primeiro.cabecalhos.value("message-id").endsWith("@fabricante.test>"));
  EXPECT_NE(primeiro.cabecalhos.value("message-id"), segundo.cabecalhos.value("message-id"));

  for (const Mail* m : {&primeiro, &segundo}) {
    ASSERT_EQ(m->partes.size(), 2);
    EXPECT_TRUE(m->partes[0].tipo.startsWith("text/plain"));
    EXPECT_EQ(m->partes[0].texto, "");
    EXPECT_TRUE(m->partes[1].tipo.startsWith("text/html"));
    EXPECT_TRUE(m->partes[1].texto.contains("<b>Backup Banco de Dados</b>"));
    EXPECT_TRUE(m->partes[1].texto.contains(QString::fromUtf8("ESSE E-MAIL É GERADO AUTOMATICAMENTE!")));
    EXPECT_TRUE(m->partes[1].texto.contains("src=\"http://127.0.0.1/logo.png?a=1&amp;b=2\""));
  }
  EXPECT_TRUE(primeiro.partes[1].texto.contains(
      QString::fromUtf8("<b>Houve um erro ao atualizar executáveis do servidor na realização da atualização "
                        "automática! . Cliente: &lt;Loja &amp; Cia&gt; Filial:7-Centro CNPJ: 99</b>")));
  EXPECT_TRUE(segundo.partes[1].texto.contains(QString::fromUtf8(
      "<b>Não foi possível realizar a atualização automática! Configurações de pastas para armazenamento de "
      "backups não informadas corretamente. Cliente:  Filial:- CNPJ: </b>")));
  EXPECT_FALSE(segundo.partes[1].texto.contains("Loja"));
  EXPECT_TRUE(ui.shown().isEmpty());
}

TEST_F(EmailFalha, ARefusalIsLoggedAndBalloonedButNeverABox) {
  VendorSim sim(cenarioSmtp());
  configura(sim.smtpPort(), "errada");
  EXPECT_FALSE(EnviaEmailFalha(email, FalhaAtualizacao::Base, DadosEmpresa{}));
  configura(sim.smtpPort());
  EXPECT_FALSE(email.FEnviarMensagem("ninguem@fabricante.test", "Teste", "texto"));
  EXPECT_TRUE(sim.mails().isEmpty());

  EXPECT_TRUE(ui.messages().isEmpty());
  const auto baloes = ui.balloons();
  ASSERT_EQ(baloes.size(), 2);
  EXPECT_TRUE(baloes[0].text.startsWith("Houve um erro ao enviar o e-mail!\r\n\r\n535"));
  EXPECT_TRUE(baloes[1].text.startsWith("Houve um erro ao enviar o e-mail!\r\n\r\n550"));
  const QStringList log = linhasDoLog();
  EXPECT_EQ(log.filter(" - Houve um erro ao enviar o e-mail! 535").size(), 1);
  EXPECT_EQ(log.filter(" - Houve um erro ao enviar o e-mail! 550").size(), 1);
}

TEST_F(EmailFalha, AnUnreachableServerIsTheCallersErrorWithNothingShown) {
  quint16 porta = 0;
  {
    QTcpServer sonda;
    ASSERT_TRUE(sonda.listen(QHostAddress::LocalHost, 0));
    porta = sonda.serverPort();
  }
  configura(porta);
  try {
    EnviaEmailFalha(email, FalhaAtualizacao::Download, DadosEmpresa{});
    FAIL() << "no error";
  } catch (const ErroConexaoEmail& e) {
    EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QString("127.0.0.1:%1").arg(porta)));
  }
  EXPECT_TRUE(ui.shown().isEmpty());
}

TEST_F(EmailFalha, ASilentServerEndsWithinTheBoundWhileEventsGoOn) {
  QTcpServer mudo;  // accepts and never greets
  ASSERT_TRUE(mudo.listen(QHostAddress::LocalHost, 0));
  configura(mudo.serverPort());
  email.definePrazos({1, 2});
  int batidas = 0;
  QTimer relogio;
  QObject::connect(&relogio, &QTimer::timeout, [&] { ++batidas; });
  relogio.start(50);
  QElapsedTimer tempo;
  tempo.start();
  EXPECT_THROW(email.FEnviarMensagem(kSuporte, "Teste", "texto"), ErroConexaoEmail);
  EXPECT_LT(tempo.elapsed(), 10000);
  EXPECT_GE(batidas, 10);  // the event loop ran through the wait
  EXPECT_TRUE(ui.shown().isEmpty());
}

}  // namespace
}  // namespace orvalto::test
