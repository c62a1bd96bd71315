#pragma once
// How a step of the update run ends it. Every way the run can stop early is
// one of these, thrown by the step (or made from any other error) and
// handled in one place by ProcessoAtualizacao: what the requesting terminal
// is told, whether the run's log gets the text, and which failure mail
// goes to the maker.
#include "base/mensagens_terminal.h"

#include <QString>

#include <stdexcept>

namespace orvalto {

class FalhaEtapa : public std::runtime_error {
 public:
  // The failure mail that follows (numbered like the "[ERRO]:n|" it follows).
  enum class Email { Nenhum = 0, Pastas = 1, Download = 2, Base = 4, Troca = 5 };

  // The run stops with nothing told and nothing logged (the step has said
  // why in its own log lines, if at all).
  static FalhaEtapa encerra() { return FalhaEtapa(QString(), QString(), Email::Nenhum, false); }
  // The run stops with this line logged, the terminal told nothing and no
  // mail.
  static FalhaEtapa encerra(const QString& textoLog) { return FalhaEtapa(textoLog, QString(), Email::Nenhum, true); }
  // "[ERRO]:n|" to the terminal, then failure mail n; nothing logged.
  static FalhaEtapa comEmail(Email email) {
    const QString mensagemTerminal = mensagem::erro(static_cast<int>(email));
    return FalhaEtapa(mensagemTerminal, mensagemTerminal, email, false);
  }
  // An error: its text is logged after "FAtualizacao: " and, when it
  // carries an "[ERRO]" tag anywhere, sent to the terminal as it is.
  static FalhaEtapa erro(const QString& texto) { return erro(texto, texto); }
  // The same, with more in the log than the terminal is told.
  static FalhaEtapa erro(const QString& texto, const QString& textoLog) {
    return FalhaEtapa(textoLog, texto.contains(QLatin1String("[ERRO]")) ? texto : QString(), Email::Nenhum, true);
  }

  const QString& texto() const { return texto_; }
  // Empty: the terminal is told nothing.
  const QString& mensagemTerminal() const { return mensagemTerminal_; }
  Email email() const { return email_; }
  bool registraNoLog() const { return registra_; }

 private:
  FalhaEtapa(const QString& texto, const QString& mensagemTerminal, Email email, bool registra)
      : std::runtime_error(texto.toStdString()),
        texto_(texto),
        mensagemTerminal_(mensagemTerminal),
        email_(email),
        registra_(registra) {}

  QString texto_;
  QString mensagemTerminal_;
  Email email_;
  bool registra_;
};

}  // namespace orvalto
