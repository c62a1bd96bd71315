#include "base/handler_guard.h"

#include "base/app_context.h"
#include "base/interaction.h"
#include "base/operation_log.h"

#include <cstdio>

namespace orvalto {

void gravaLog(const AppContext& ctx, const QString& mensagem, NivelLog nivel) noexcept {
  bool noDiario = false;
  try {
    if (ctx.log) {
      noDiario = ctx.log->espelhaNoDiario();
      ctx.log->PGravaLog(mensagem, nivel);
      return;
    }
  } catch (const std::exception& e) {
    escreveLinhaErro(stderr, sobGerenciadorDeServicos(), NivelLog::Erro, "Log: " + QString::fromUtf8(e.what()));
  } catch (...) {
  }
  // The journal already has the line when the log failed after giving it.
  if (!noDiario) escreveLinhaErro(stderr, sobGerenciadorDeServicos(), nivelDaLinha(nivel, mensagem), mensagem);
}

void registraErro(const AppContext& ctx, const QString& prefixo, const QString& texto) noexcept {
  gravaLog(ctx, prefixo + texto, NivelLog::Erro);
  try {
    if (ctx.ui) ctx.ui->showMessage(MessageIcon::Error, kTituloErro, prefixo + texto);
  } catch (...) {
    // The display itself failed: the log line above is all that is left.
  }
}

QString textoDaExcecao(std::exception_ptr erro) {
  try {
    std::rethrow_exception(erro);
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  } catch (...) {
    return QStringLiteral("erro desconhecido");
  }
}

void protegeHandler(const AppContext& ctx, const QString& prefixo, const std::function<void()>& trabalho) noexcept {
  try {
    if (trabalho) trabalho();
  } catch (...) {
    registraErro(ctx, prefixo, textoDaExcecao(std::current_exception()));
  }
}

}  // namespace orvalto
