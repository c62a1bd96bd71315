#pragma once
// The shop's own settings of the running updater, section "Atualizacao" of
// the optional Atualizador.ini beside the executable: who gets a copy of
// the failure mails, where the daily logs go and for how long, and how long
// the structure updater may run.
#include <QString>
#include <QStringList>

namespace orvalto {

inline constexpr const char* kSecaoAtualizacao = "Atualizacao";
inline constexpr int kDiasLogPadrao = 90;
inline constexpr double kLimiteAtualizadorBDPadrao = 120;

struct SecaoAtualizacao {
  QStringList EmailCopia;        // blind copies of every failure mail
  int DiasLog = kDiasLogPadrao;  // day files older than this are removed; 0 keeps all
  QString PastaLog;              // folder of the day files; empty: the executable's
  // Minutes the structure updater may run before it is ended; fractions
  // are allowed ("0.5" or "0,5"), a value that is not a positive number
  // keeps the default.
  double LimiteAtualizadorBD = kLimiteAtualizadorBDPadrao;
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
