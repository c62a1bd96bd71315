// orvalto-cifra: prints the scrambled form of a text, as Caminho.ini stores
// user names and passwords; --decifra does the reverse.
#include "base/scramble.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  bool reverse = false;
  QByteArray key = orvalto::kChaveConexao;
  for (qsizetype i = 0; i < args.size();) {
    if (args[i] == "--decifra") { reverse = true; args.removeAt(i); }
    else if (args[i] == "--chave" && i + 1 < args.size()) { key = args[i + 1].toLatin1(); args.remove(i, 2); }
    else ++i;
  }
  if (args.size() != 1 || key.isEmpty()) {
    std::fprintf(stderr, "usage: orvalto-cifra [--decifra] [--chave KEY] TEXT\n"
                         "  KEY defaults to the connection settings' key\n");
    return 2;
  }
  const QString out = reverse ? orvalto::decifra(args[0], key) : orvalto::cifra(args[0], key);
  std::printf("%s\n", out.toUtf8().constData());
  return 0;
}
