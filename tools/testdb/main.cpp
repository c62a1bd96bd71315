// orvalto-testdb: creates a product database for tests and demos.
#include "test_database.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  orvalto::testdb::Options options;
  QString location;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    if (a == "--empty")
      options.productTables = false;
    else if (a == "--without-link")
      options.withLinkWebService = false;
    else if (a == "--old-versoescab")
      options.oldVersoesCab = true;
    else if (a == "--filial" && i + 1 < args.size()) {
      const QString v = args[++i];
      options.filiais.append({v.section(':', 0, 0), v.section(':', 1)});
    } else if (!a.startsWith("--") && location.isEmpty())
      location = a;
    else {
      std::fprintf(stderr, "unknown argument: %s\n", qPrintable(a));
      location.clear();
      break;
    }
  }
  if (location.isEmpty()) {
    std::fprintf(stderr,
                 "usage: orvalto-testdb LOCATION [--empty] [--without-link] [--old-versoescab] [--filial COD:CGC]...\n"
                 "  LOCATION is host:/path/file.fdb; the server must be able to write the folder\n");
    return 2;
  }
  try {
    orvalto::testdb::create(location, options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvalto-testdb: %s\n", e.what());
    return 1;
  }
  std::printf("created %s\n", qPrintable(location));
  return 0;
}
