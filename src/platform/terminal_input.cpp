#include "platform/terminal_input.h"

#include <termios.h>
#include <unistd.h>

#include <string>

namespace orvalto {
namespace {

// Turns the echo off for its lifetime and back on at its end, whatever
// happens in between.
class SemEco {
 public:
  SemEco() {
    ativo_ = ::tcgetattr(STDIN_FILENO, &original_) == 0;
    if (!ativo_) return;
    termios semEco = original_;
    semEco.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    semEco.c_lflag |= ECHONL;
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &semEco);
  }
  ~SemEco() {
    if (ativo_) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &original_);
  }
  SemEco(const SemEco&) = delete;
  SemEco& operator=(const SemEco&) = delete;

 private:
  termios original_{};
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
