#pragma once
// The shop's own settings of the running updater, section "Atualizacao" of
// the optional Atualizador.ini beside the executable: who gets a copy of
// the failure mails, and where the daily logs go and for how long.
#include <QString>
#include <QStringList>

namespace orvalto {

inline constexpr const char* kSecaoAtualizacao = "Atualizacao";
inline constexpr int kDiasLogPadrao = 90;

struct SecaoAtualizacao {
  QStringList EmailCopia;        // blind copies of every failure mail
  int DiasLog = kDiasLogPadrao;  // day files older than this are removed; 0 keeps all
  QString PastaLog;              // folder of the day files; empty: the executable's
};

// The values of `exeDir`/Atualizador.ini, the defaults for missing keys, a
// DiasLog that is not a number or is negative, and a missing file. A file
// that exists but cannot be read throws std::runtime_error.
SecaoAtualizacao lerSecaoAtualizacao(const QString& exeDir);

// The same, never throwing: an unreadable file gives the defaults.
SecaoAtualizacao secaoAtualizacaoOuPadrao(const QString& exeDir) noexcept;

// The folder of the day files: PastaLog, or `exeDir` when it is not set.
QString pastaDoLog(const SecaoAtualizacao& secao, const QString& exeDir);

}  // namespace orvalto
