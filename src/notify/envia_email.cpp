#include "notify/envia_email.h"

#include "base/handler_guard.h"
#include "base/interaction.h"
#include "notify/espera_trabalhador.h"
#include "notify/pagina_email.h"
#include "services/fornecedor.h"

namespace orvalto {
namespace {

constexpr const char* kErroEnvio = "Houve um erro ao enviar o e-mail!";

}  // namespace

TFEnviaEmail::TFEnviaEmail(const AppContext& ctx) : ctx_(ctx) { preparaCurl(); }

bool TFEnviaEmail::FEnviarMensagem(const QString& destinatario, const QString& assunto, const QString& mensagem,
                                   const QStringList& copiaOculta) {
  destinatario_ = destinatario;
  copiaOculta_ = copiaOculta;
  assunto_ = assunto;
  mensagem_ = mensagem;
  return FEnviar();
}

void TFEnviaEmail::PMontaCorpoHtml() { corpoHtml_ = montaPaginaEmail(mensagem_, enderecoLogo_); }

bool TFEnviaEmail::FEnviar() {
  const Fornecedor fornecedor = lerFornecedor(ctx_.exeDir);
  enderecoLogo_ = fornecedor.LogoURL;
  PMontaCorpoHtml();
  // Everything the worker needs is copied into the message: a send that
  // another event starts meanwhile cannot change this one.
  MensagemSmtp mensagem{fornecedor.SmtpHost,
                        fornecedor.SmtpPorta,
                        fornecedor.SmtpUsuario,
                        fornecedor.SmtpSenha,
                        destinatario_,
                        copiaOculta_,
                        assunto_,
                        corpoHtml_.join("\r\n"),
                        QDateTime::currentDateTime(),
                        novoMessageId(fornecedor.SmtpUsuario)};
  const PrazosSmtp prazos = prazos_;
  ResultadoSmtp resultado;
  executaEmTrabalhador([&] { resultado = enviaSmtp(mensagem, prazos); });

  switch (resultado.estado) {
    case ResultadoSmtp::Estado::Aceito: return true;
    case ResultadoSmtp::Estado::SemConexao:
      throw ErroConexaoEmail(QStringLiteral("Não foi possível conectar ao servidor de e-mail %1:%2. %3")
                                 .arg(mensagem.host)
                                 .arg(mensagem.porta)
                                 .arg(resultado.texto)
                                 .toStdString());
    case ResultadoSmtp::Estado::Recusado: break;
  }
  gravaLog(ctx_, QString::fromUtf8(kErroEnvio) + ' ' + resultado.texto);
  if (ctx_.ui)
    ctx_.ui->showBalloon("Orvalto Atualizador", QString::fromUtf8(kErroEnvio) + "\r\n\r\n" + resultado.texto, 3, 10);
  return false;
}

}  // namespace orvalto
