// orvalto-cifra: prints the scrambled form of a text, as Caminho.ini stores
// user names and passwords; --decifra does the reverse. TEXT "-" reads the
// text from a prompt without echo (or one line of standard input), so that
// a password never stands on a command line.
#include "base/scramble.h"
#include "platform/terminal_input.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  bool reverse = false;
  QByteArray key = orvalto::kChaveConexao;
  for (qsizetype i = 0; i < args.size();) {
    if (args[i] == "--decifra") {
      reverse = true;
      args.removeAt(i);
    } else if (args[i] == "--chave" && i + 1 < args.size()) {
      key = args[i + 1].toLatin1();
      args.remove(i, 2);
    } else
      ++i;
  }
  if (args.size() != 1 || key.isEmpty()) {
    std::fprintf(stderr,
                 "usage: orvalto-cifra [--decifra] [--chave KEY] TEXT|-\n"
                 "  KEY defaults to the connection settings' key\n"
                 "  -  reads TEXT without echo from the terminal, or one line of standard input\n");
    return 2;
  }
  QString text = args[0];
  if (text == "-") {
    const std::optional<QString> lido = orvalto::lerSegredo("Texto: ");
    if (!lido) {
      std::fprintf(stderr, "orvalto-cifra: nothing to read\n");
      return 2;
    }
    text = *lido;
  }
  const QString out = reverse ? orvalto::decifra(text, key) : orvalto::cifra(text, key);
  std::printf("%s\n", out.toUtf8().constData());
  return 0;
}
