// orvalto-terminal: plays a workstation against the updater. Sends each
// request as its own write and prints every read it gets, time-stamped,
// until nothing has arrived for the idle time.
#include "terminal_client.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

using namespace orvalto::terminal;

namespace {

struct Opcoes {
  QString host = "127.0.0.1";
  quint16 porta = 5555;
  int ociosoMs = 2000;
  int pausaMs = 200;
  QStringList requisicoes;
  QString erro;
};

const char* const kUso =
    "usage: orvalto-terminal [--host H] [--port N] [--idle-ms N] [--pause-ms N] REQUEST...\n"
    "  sends each REQUEST (e.g. [STATUS]) as its own write, --pause-ms apart,\n"
    "  prints what the server sends and exits after --idle-ms without traffic\n";

Opcoes leOpcoes(const QStringList& args) {
  Opcoes o;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    const bool temValor = i + 1 < args.size();
    bool ok = true;
    if (a == "--host" && temValor)
      o.host = args[++i];
    else if (a == "--port" && temValor) {
      const uint porta = args[++i].toUInt(&ok);
      ok = ok && porta > 0 && porta <= 65535;  // no silent wrap to another port
      o.porta = static_cast<quint16>(porta);
    } else if (a == "--idle-ms" && temValor)
      o.ociosoMs = args[++i].toInt(&ok);
    else if (a == "--pause-ms" && temValor)
      o.pausaMs = args[++i].toInt(&ok);
    else if (a.startsWith("--"))
      o.erro = "unknown option: " + a;
    else
      o.requisicoes.append(a);
    if (!ok) o.erro = "invalid value for " + a;
  }
  return o;
}

void imprime(const Leitura& l) {
  std::printf("%s %s\n", qPrintable(l.quando.toString("HH:mm:ss.zzz")), l.texto.toUtf8().constData());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const Opcoes o = leOpcoes(app.arguments().mid(1));
  if (!o.erro.isEmpty()) {
    std::fprintf(stderr, "%s\n%s", qPrintable(o.erro), kUso);
    return 2;
  }
  TerminalClient cliente;
  QElapsedTimer ocioso;
  QObject::connect(&cliente, &TerminalClient::chegou, [&](const Leitura& l) {
    imprime(l);
    ocioso.restart();
  });
  cliente.conecta(o.host, o.porta);
  if (!cliente.aguardaConexao(std::chrono::seconds(10))) {
    std::fprintf(stderr, "cannot connect to %s:%u: %s\n", qPrintable(o.host), o.porta, qPrintable(cliente.erro()));
    return 1;
  }
  for (const QString& r : o.requisicoes) {
    cliente.envia(r);
    // Each request must arrive as a read of its own.
    deixaCorrer(o.pausaMs);
  }
  ocioso.start();
  aguarda([&] { return ocioso.elapsed() >= o.ociosoMs || !cliente.conectado(); }, 24 * 3600 * 1000);
  return 0;
}
