#include "platform/terminal_input.h"

#include <csignal>
#include <iterator>
#include <string>

#include <termios.h>
#include <unistd.h>

namespace orvalto {
namespace {

// The terminal as it was, for a signal that ends the program while the
// echo is off (Ctrl-C at the prompt).
termios terminalOriginal{};
constexpr int kSinaisDeFim[] = {SIGINT, SIGTERM, SIGQUIT, SIGHUP};

extern "C" void restauraEFinaliza(int sinal) {
  // Only async-signal-safe calls: put the echo back, then end as the
  // signal would have ended the program.
  ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &terminalOriginal);
  ::signal(sinal, SIG_DFL);
  ::raise(sinal);
}

// Turns the echo off for its lifetime and back on at its end, whatever
// happens in between, a signal that ends the program included.
class SemEco {
 public:
  SemEco() {
    ativo_ = ::tcgetattr(STDIN_FILENO, &original_) == 0;
    if (!ativo_) return;
    terminalOriginal = original_;
    struct sigaction acao {};
    acao.sa_handler = &restauraEFinaliza;
    sigemptyset(&acao.sa_mask);
    for (size_t i = 0; i < std::size(kSinaisDeFim); ++i) ::sigaction(kSinaisDeFim[i], &acao, &anteriores_[i]);
    termios semEco = original_;
    semEco.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    semEco.c_lflag |= ECHONL;
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &semEco);
  }
  ~SemEco() {
    if (!ativo_) return;
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &original_);
    for (size_t i = 0; i < std::size(kSinaisDeFim); ++i) ::sigaction(kSinaisDeFim[i], &anteriores_[i], nullptr);
  }
  SemEco(const SemEco&) = delete;
  SemEco& operator=(const SemEco&) = delete;

 private:
  termios original_{};
  struct sigaction anteriores_[std::size(kSinaisDeFim)]{};
  bool ativo_ = false;
};

std::optional<QString> lerLinha() {
  std::string linha;
  int c = 0;
  bool leuAlgo = false;
  while ((c = std::fgetc(stdin)) != EOF) {
    leuAlgo = true;
    if (c == '\n') break;
    linha.push_back(static_cast<char>(c));
  }
  if (!leuAlgo) return std::nullopt;
  if (!linha.empty() && linha.back() == '\r') linha.pop_back();
  return QString::fromLocal8Bit(linha.data(), static_cast<qsizetype>(linha.size()));
}

}  // namespace

std::optional<QString> lerSegredo(const QString& prompt) {
  if (!::isatty(STDIN_FILENO)) return lerLinha();
  std::fprintf(stderr, "%s", prompt.toLocal8Bit().constData());
  std::fflush(stderr);
  SemEco semEco;
  return lerLinha();
}

}  // namespace orvalto
