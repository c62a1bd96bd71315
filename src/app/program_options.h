#pragma once
// Command-line options. The product starts without any; these exist for
// servers without a desktop and for running test servers side by side.
#include <QString>
#include <QStringList>

namespace orvalto {

inline constexpr int kPortaTerminais = 5555;

struct ProgramOptions {
  bool headless = false;       // --headless: no widgets, messages to the log and stderr
  int port = kPortaTerminais;  // --port N: the terminals' TCP port
  bool help = false;
  QString error;               // not empty when the arguments were not understood
};

ProgramOptions parseProgramOptions(const QStringList& arguments);  // arguments without the program name
QString usageText();

// True when a display server can be reached (or Qt was told which platform
// to use).
bool displayAvailable();

}  // namespace orvalto
