#include "base/handler_guard.h"

#include "base/app_context.h"
#include "base/interaction.h"
#include "base/operation_log.h"

#include <cstdio>

namespace orvalto {

void gravaLog(const AppContext& ctx, const QString& mensagem) noexcept {
  try {
    if (ctx.log) {
      ctx.log->PGravaLog(mensagem);
      return;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Log: %s\n", e.what());
  } catch (...) {
  }
  std::fprintf(stderr, "%s\n", mensagem.toUtf8().constData());
}

void registraErro(const AppContext& ctx, const QString& prefixo, const QString& texto) noexcept {
  gravaLog(ctx, prefixo + texto);
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
