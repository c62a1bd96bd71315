#pragma once
// The failure mail's sender: wraps the caller's text in the maker's HTML
// page and hands it to the maker's mail server (host, port, account and
// logo from the "Fornecedor" values). The send runs on a worker thread
// while the event loop keeps running, so terminals are answered during
// it, and it is bounded (connect 30 s, whole send 120 s). One instance
// serves the whole program.
#include "base/app_context.h"
#include "notify/envio_smtp.h"

#include <QString>
#include <QStringList>

#include <stdexcept>

namespace orvalto {

// The mail server could not be reached (nobody answered): the mail was
// not refused, it never left.
class ErroConexaoEmail : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TFEnviaEmail {
 public:
  explicit TFEnviaEmail(const AppContext& ctx);

  // Stores the three texts and sends them (FEnviar); `copiaOculta` get
  // the same mail as blind copies.
  bool FEnviarMensagem(const QString& destinatario, const QString& assunto, const QString& mensagem,
                       const QStringList& copiaOculta = {});

  // Sends the stored texts. True when the server accepted the mail. A
  // refusal (account, recipient, a broken conversation) is logged as
  // "Houve um erro ao enviar o e-mail!" with the server's text and shown as
  // a balloon, never as a box that would hold an unattended server: false.
  // A server that cannot be reached throws ErroConexaoEmail, without a
  // balloon; an unreadable Atualizador.ini throws its own error.
  bool FEnviar();

  // Builds the page around the stored message text.
  void PMontaCorpoHtml();

  // The installation whose Atualizador.ini gives the server and account.
  const QString& exeDir() const { return ctx_.exeDir; }

  // Tests shorten the bounds.
  void definePrazos(const PrazosSmtp& prazos) { prazos_ = prazos; }

 private:
  AppContext ctx_;
  QString destinatario_;
  QStringList copiaOculta_;
  QString assunto_;
  QString mensagem_;
  QString enderecoLogo_;
  QStringList corpoHtml_;
  PrazosSmtp prazos_;
};

}  // namespace orvalto
