#pragma once
// One mail handed to an SMTP server with libcurl: AUTH LOGIN, a
// multipart/alternative message (an empty text part, then the HTML page),
// Date and Message-ID set here since libcurl adds neither. Blocking and
// bounded; meant for a worker thread (libcurl is used for nothing else).
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace orvalto {

struct MensagemSmtp {
  QString host;
  int porta = 25;
  QString usuario;  // the account, also the sender
  QString senha;
  QString destinatario;
  QStringList copiaOculta;  // blind copies: recipients never named in a header
  QString assunto;
  QString html;
  QDateTime data;     // the Date header
  QString messageId;  // without the angle brackets
};

struct PrazosSmtp {
  int conexaoSegundos = 30;
  int totalSegundos = 120;
};

struct ResultadoSmtp {
  enum class Estado {
    Aceito,      // the server took the message
    SemConexao,  // no server answered: nothing was said to anybody
    Recusado,    // the server answered and refused, or the conversation broke
  };
  Estado estado = Estado::SemConexao;
  QString texto;  // the server's last reply, or libcurl's own text
};

// Sends `mensagem`; never throws.
ResultadoSmtp enviaSmtp(const MensagemSmtp& mensagem, const PrazosSmtp& prazos);

// libcurl's process-wide set-up; call on the main thread before the first
// send (later calls do nothing).
void preparaCurl();

// Header texts, exposed for the message's composition.
QString cabecalhoData(const QDateTime& quando);
// Plain ASCII as it is; anything else as an RFC 2047 encoded word.
QString cabecalhoTexto(const QString& texto);
// "<local-part>@<domain of `endereco`>", unique per call.
QString novoMessageId(const QString& endereco);

}  // namespace orvalto
