#include "envio_smtp.h"

#include <QLocale>
#include <QStringList>
#include <QUuid>

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace orvalto {
namespace {

struct LiberaCurl {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
  void operator()(curl_mime* m) const { curl_mime_free(m); }
};
using Curl = std::unique_ptr<CURL, LiberaCurl>;
using Lista = std::unique_ptr<curl_slist, LiberaCurl>;
using Mime = std::unique_ptr<curl_mime, LiberaCurl>;

// What the server said, read from libcurl's protocol trace.
struct Conversa {
  bool respondeu = false;  // the greeting arrived: a failure from here on is a refusal
  QString ultimaResposta;
  QString ultimaRecusa;  // the last 4xx or 5xx reply (libcurl says QUIT after it)
};

int registraConversa(CURL*, curl_infotype tipo, char* dados, size_t tamanho, void* conversa) {
  if (tipo != CURLINFO_HEADER_IN) return 0;
  auto* c = static_cast<Conversa*>(conversa);
  c->respondeu = true;
  c->ultimaResposta = QString::fromUtf8(dados, static_cast<qsizetype>(tamanho)).trimmed();
  if (c->ultimaResposta.startsWith('4') || c->ultimaResposta.startsWith('5')) c->ultimaRecusa = c->ultimaResposta;
  return 0;
}

// A header line must stay one line whatever the caller's text holds.
QString umaLinha(QString texto) {
  texto.replace('\r', ' ').replace('\n', ' ');
  return texto;
}

void acrescenta(Lista& lista, const QString& linha) {
  lista.reset(curl_slist_append(lista.release(), linha.toUtf8().constData()));
}

QString urlDoServidor(const QString& host, int porta) {
  const QString nome = host.contains(':') ? '[' + host + ']' : host;
  return QStringLiteral("smtp://%1:%2").arg(nome).arg(porta);
}

Lista cabecalhos(const MensagemSmtp& m) {
  Lista lista;
  acrescenta(lista, "Date: " + cabecalhoData(m.data));
  acrescenta(lista, "From: <" + umaLinha(m.usuario) + '>');
  acrescenta(lista, "To: <" + umaLinha(m.destinatario) + '>');
  acrescenta(lista, "Subject: " + cabecalhoTexto(umaLinha(m.assunto)));
  acrescenta(lista, "Message-ID: <" + umaLinha(m.messageId) + '>');
  // libcurl keeps its own boundary and adds it to this type.
  acrescenta(lista, QStringLiteral("Content-Type: multipart/alternative"));
  return lista;
}

Mime corpo(CURL* curl, const QString& html) {
  Mime mime(curl_mime_init(curl));
  curl_mimepart* texto = curl_mime_addpart(mime.get());
  curl_mime_data(texto, "", 0);
  curl_mime_type(texto, "text/plain; charset=UTF-8");
  curl_mimepart* pagina = curl_mime_addpart(mime.get());
  const QByteArray bytes = html.toUtf8();
  curl_mime_data(pagina, bytes.constData(), static_cast<size_t>(bytes.size()));
  curl_mime_type(pagina, "text/html; charset=UTF-8");
  curl_mime_encoder(pagina, "quoted-printable");
  return mime;
}

}  // namespace

void preparaCurl() {
  static std::once_flag feito;
  std::call_once(feito, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

QString cabecalhoData(const QDateTime& quando) {
  const int minutos = quando.offsetFromUtc() / 60;
  const QString fuso = QStringLiteral("%1%2%3")
                           .arg(minutos < 0 ? '-' : '+')
                           .arg(qAbs(minutos) / 60, 2, 10, QChar('0'))
                           .arg(qAbs(minutos) % 60, 2, 10, QChar('0'));
  return QLocale::c().toString(quando, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss ")) + fuso;
}

QString cabecalhoTexto(const QString& texto) {
  bool ascii = true;
  for (QChar c : texto) ascii = ascii && c.unicode() >= 0x20 && c.unicode() < 0x7f;
  if (ascii) return texto;
  // Encoded words stay under their 75-character limit: at most 45 bytes
  // each, cut between characters.
  QStringList palavras;
  QByteArray parte;
  for (qsizetype i = 0; i < texto.size();) {
    const qsizetype n = texto.at(i).isHighSurrogate() && i + 1 < texto.size() ? 2 : 1;
    const QByteArray caractere = texto.mid(i, n).toUtf8();
    if (parte.size() + caractere.size() > 45) {
      palavras << "=?UTF-8?B?" + QString::fromLatin1(parte.toBase64()) + "?=";
      parte.clear();
    }
    parte += caractere;
    i += n;
  }
  palavras << "=?UTF-8?B?" + QString::fromLatin1(parte.toBase64()) + "?=";
  return palavras.join(' ');
}

QString novoMessageId(const QString& endereco) {
  const qsizetype arroba = endereco.lastIndexOf('@');
  const QString dominio = arroba >= 0 && arroba + 1 < endereco.size() ? endereco.mid(arroba + 1) : "localhost";
  return QUuid::createUuid().toString(QUuid::WithoutBraces) + '@' + dominio;
}

ResultadoSmtp enviaSmtp(const MensagemSmtp& m, const PrazosSmtp& prazos) {
  // Declared before the handle: its clean-up may still report to them.
  Conversa conversa;
  char erro[CURL_ERROR_SIZE] = {};
  Curl curl(curl_easy_init());
  if (!curl) return {ResultadoSmtp::Estado::SemConexao, QStringLiteral("libcurl não pôde ser iniciada")};
  CURL* c = curl.get();
  const QByteArray url = urlDoServidor(m.host, m.porta).toUtf8();
  const QByteArray usuario = m.usuario.toUtf8(), senha = m.senha.toUtf8();
  const QByteArray de = ('<' + umaLinha(m.usuario) + '>').toUtf8();
  Lista para;
  acrescenta(para, '<' + umaLinha(m.destinatario) + '>');
  for (const QString& copia : m.copiaOculta) acrescenta(para, '<' + umaLinha(copia) + '>');
  const Lista linhas = cabecalhos(m);
  const Mime mime = corpo(c, m.html);

  curl_easy_setopt(c, CURLOPT_URL, url.constData());
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);  // a worker thread: no SIGALRM for time-outs
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(prazos.conexaoSegundos));
  curl_easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(prazos.totalSegundos));
  // QUIT inside the bounded transfer, not later in the handle's clean-up.
  curl_easy_setopt(c, CURLOPT_FORBID_REUSE, 1L);
  // STARTTLS when the server offers it, so the login and the mail do not
  // cross the network in the clear; plain SMTP when it does not. As with
  // any opportunistic TLS, the certificate is not checked: whoever could
  // forge it could as well strip the offer.
  curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(c, CURLOPT_USERNAME, usuario.constData());
  curl_easy_setopt(c, CURLOPT_PASSWORD, senha.constData());
  curl_easy_setopt(c, CURLOPT_LOGIN_OPTIONS, "AUTH=LOGIN");
  curl_easy_setopt(c, CURLOPT_MAIL_FROM, de.constData());
  curl_easy_setopt(c, CURLOPT_MAIL_RCPT, para.get());
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, linhas.get());
  curl_easy_setopt(c, CURLOPT_MIMEPOST, mime.get());
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, erro);
  curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &registraConversa);
  curl_easy_setopt(c, CURLOPT_DEBUGDATA, &conversa);
  curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);  // feeds the trace; nothing is printed

  const CURLcode rc = curl_easy_perform(c);
  if (rc == CURLE_OK) return {ResultadoSmtp::Estado::Aceito, conversa.ultimaResposta};
  const QString textoCurl = erro[0] ? QString::fromUtf8(erro) : QString::fromUtf8(curl_easy_strerror(rc));
  if (!conversa.respondeu) return {ResultadoSmtp::Estado::SemConexao, textoCurl};
  // A refusal carries the server's reply; a break without one (a time-out
  // while the message was going out) has only libcurl's text.
  return {ResultadoSmtp::Estado::Recusado, conversa.ultimaRecusa.isEmpty() ? textoCurl : conversa.ultimaRecusa};
}

}  // namespace orvalto
