// The simulated mail server in a raw SMTP conversation, as the failure
// e-mail's client would hold it.
#include "support/vendor_sim.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QJsonArray>
#include <QTcpSocket>

namespace orvalto::test {
namespace {

constexpr int kTimeoutMs = 10000;

// Reads one complete reply: lines up to the one with a blank after the code.
QByteArray readReply(QTcpSocket& socket) {
  QByteArray reply;
  while (true) {
    while (!socket.canReadLine())
      if (!socket.waitForReadyRead(kTimeoutMs)) return reply + "<no reply>";
    const QByteArray line = socket.readLine();
    reply += line;
    if (line.size() < 4 || line[3] == ' ') return reply;
  }
}

QByteArray send(QTcpSocket& socket, const QByteArray& line) {
  socket.write(line + "\r\n");
  socket.waitForBytesWritten(kTimeoutMs);
  return readReply(socket);
}

QByteArray base64(const char* text) { return QByteArray(text).toBase64(); }

TEST(VendorSimSmtp, AuthLoginSessionStoresTheUnstuffedMessage) {
  VendorSim sim({{"smtp", QJsonObject{{"user", "notifica@fabricante.test"},
                                      {"password", "senha1234"},
                                      {"rejectRecipients", QJsonArray{"ninguem@x.test"}}}}});
  QTcpSocket socket;
  socket.connectToHost("127.0.0.1", static_cast<quint16>(sim.smtpPort()));
  ASSERT_TRUE(socket.waitForConnected(kTimeoutMs));
  EXPECT_TRUE(readReply(socket).startsWith("220 "));
  EXPECT_TRUE(send(socket, "EHLO servidor").contains("250-AUTH LOGIN"));
  EXPECT_TRUE(send(socket, "MAIL FROM:<notifica@fabricante.test>").startsWith("530 "));

  EXPECT_EQ(send(socket, "AUTH LOGIN"), "334 VXNlcm5hbWU6\r\n");
  EXPECT_EQ(send(socket, base64("notifica@fabricante.test")), "334 UGFzc3dvcmQ6\r\n");
  EXPECT_TRUE(send(socket, base64("errada")).startsWith("535 "));
  send(socket, "AUTH LOGIN");
  send(socket, base64("notifica@fabricante.test"));
  EXPECT_TRUE(send(socket, base64("senha1234")).startsWith("235 "));

  EXPECT_TRUE(send(socket, "MAIL FROM:<notifica@fabricante.test>").startsWith("250 "));
  EXPECT_TRUE(send(socket, "RCPT TO:<ninguem@x.test>").startsWith("550 "));
  EXPECT_TRUE(send(socket, "RCPT TO:<suporte@fabricante.test>").startsWith("250 "));
  EXPECT_TRUE(send(socket, "DATA").startsWith("354 "));
  socket.write("Subject: Falha\r\n\r\n..linha com ponto\r\n.\r\n");
  EXPECT_TRUE(readReply(socket).startsWith("250 "));
  EXPECT_TRUE(send(socket, "NOOP").startsWith("250 "));
  EXPECT_TRUE(send(socket, "QUIT").startsWith("221 "));

  const QJsonArray mails = sim.mails();
  ASSERT_EQ(mails.size(), 1);
  const QJsonObject mail = mails[0].toObject();
  EXPECT_EQ(mail["user"].toString(), "notifica@fabricante.test");
  EXPECT_EQ(mail["from"].toString(), "notifica@fabricante.test");
  EXPECT_EQ(mail["to"].toArray(), QJsonArray{"suporte@fabricante.test"});
  EXPECT_EQ(mail["data"].toString(), "Subject: Falha\r\n\r\n.linha com ponto\r\n");
  QFile eml(mail["file"].toString());
  ASSERT_TRUE(eml.open(QIODevice::ReadOnly));
  EXPECT_TRUE(eml.readAll().endsWith("Subject: Falha\r\n\r\n.linha com ponto\r\n"));

  const QJsonArray logins = sim.requests("smtp-auth");
  ASSERT_EQ(logins.size(), 2);
  EXPECT_FALSE(logins[0]["accepted"].toBool());
  EXPECT_TRUE(logins[1]["accepted"].toBool());
}

}  // namespace
}  // namespace orvalto::test
