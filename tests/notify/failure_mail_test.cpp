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

// A mail as the reader sees it: its headers (names in lower case) and its
// parts' types and decoded texts.
struct Mail {
  QMap<QString, QString> cabecalhos;
  QList<std::pair<QString, QString>> partes;
};

QMap<QString, QString> leCabecalhos(const QString& bloco) {
  QMap<QString, QString> c;
  for (const QString& linha : bloco.split("\r\n"))
    if (linha.indexOf(':') > 0) c[linha.section(':', 0, 0).toLower()] = linha.section(':', 1).trimmed();
  return c;
}

QString decodificaQuotedPrintable(QString qp) {
  qp.remove("=\r\n");  // soft line breaks
  QByteArray saida;
  for (qsizetype i = 0; i < qp.size(); ++i) {
    if (qp[i] != '=') {
      saida += qp[i].toLatin1();
      continue;
    }
    saida += static_cast<char>(qp.mid(i + 1, 2).toInt(nullptr, 16));
    i += 2;
  }
  return QString::fromUtf8(saida);
}

Mail leMail(const QString& dados) {
  Mail m;
  m.cabecalhos = leCabecalhos(dados.section("\r\n\r\n", 0, 0));
  const QString limite = m.cabecalhos.value("content-type").section("boundary=", 1).remove('"');
  const QStringList blocos = dados.section("\r\n\r\n", 1).split("--" + limite);
  for (const QString& bloco : blocos.mid(1, blocos.size() - 2)) {  // between preamble and closing "--"
    const QMap<QString, QString> c = leCabecalhos(bloco.section("\r\n\r\n", 0, 0));
    QString texto = bloco.section("\r\n\r\n", 1).chopped(2);
    if (c.value("content-transfer-encoding") == "quoted-printable") texto = decodificaQuotedPrintable(texto);
    m.partes.append({c.value("content-type"), texto});
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
  {
    // The shop's own addresses get blind copies.
    QFile f(dir.filePath("Atualizador.ini"));
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("[Atualizacao]\r\nEmailCopia= loja@cliente.test ,gerente@cliente.test\r\n");
  }
  const DadosEmpresa empresa{"7", "<Loja & Cia>", "Centro", "99"};
  EXPECT_TRUE(EnviaEmailFalha(email, FalhaAtualizacao::Executaveis, empresa));
  EXPECT_TRUE(EnviaEmailFalha(email, FalhaAtualizacao::Pastas, DadosEmpresa{}));

  const QJsonArray mails = sim.mails();
  ASSERT_EQ(mails.size(), 2);
  for (const auto& valor : mails) {
    const QJsonObject entrada = valor.toObject();
    EXPECT_EQ(entrada["user"].toString(), kConta);
    EXPECT_EQ(entrada["from"].toString(), kConta);
    EXPECT_EQ(entrada["to"].toArray(), QJsonArray({kSuporte, "loja@cliente.test", "gerente@cliente.test"}));
    EXPECT_FALSE(entrada["data"].toString().contains("cliente.test"));
  }
  const Mail primeiro = leMail(mails[0]["data"].toString());
  const Mail segundo = leMail(mails[1]["data"].toString());

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
    EXPECT_TRUE(m->partes[0].first.startsWith("text/plain"));
    EXPECT_EQ(m->partes[0].second, "");
    EXPECT_TRUE(m->partes[1].first.startsWith("text/html"));
    EXPECT_TRUE(m->partes[1].second.contains("<b>Backup Banco de Dados</b>"));
    EXPECT_TRUE(m->partes[1].second.contains(QString::fromUtf8("ESSE E-MAIL É GERADO AUTOMATICAMENTE!")));
    EXPECT_TRUE(m->partes[1].second.contains("src=\"http://127.0.0.1/logo.png?a=1&amp;b=2\""));
  }
  EXPECT_TRUE(primeiro.partes[1].second.contains(
      QString::fromUtf8("<b>Houve um erro ao atualizar executáveis do servidor na realização da atualização "
                        "automática! . Cliente: &lt;Loja &amp; Cia&gt; Filial:7-Centro CNPJ: 99</b>")));
  EXPECT_TRUE(segundo.partes[1].second.contains(QString::fromUtf8(
      "<b>Não foi possível realizar a atualização automática! Configurações de pastas para armazenamento de "
      "backups não informadas corretamente. Cliente:  Filial:- CNPJ: </b>")));
  EXPECT_FALSE(segundo.partes[1].second.contains("Loja"));
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
