#include "support/engine_fixture.h"

#include "platform/codepage.h"
#include "support/product_db.h"
#include "support/qt_app.h"

#include <QDate>
#include <QFile>

#include <stdexcept>

namespace orvalto::test {

void RecordingConsole::SendMessage(const QString& mensagem, const QString& endereco) {
  mensagens.append((endereco.isEmpty() ? estado.IPSolicitante : endereco) + "|" + mensagem);
  if (aoEnviar) aoEnviar();
}

void RecordingConsole::PMostraBalao(const QString& titulo, const QString& texto, int tipo, int segundos) {
  baloes.append(QString("%1|%2|%3|%4").arg(titulo, texto).arg(tipo).arg(segundos));
}

EngineFixture::EngineFixture() {
  ensureQtApp();
  location = freshDatabase();
  writeCaminhoIni(exeDir.path(), location);
  log = std::make_unique<OperationLog>(exeDir.path());
  ctx = AppContext{exeDir.path(), "orvalto-atualizador", log.get(), &ui};
  engine = std::make_unique<TfrmAtualizador>(ctx, &console);
  if (!engine->FConectaBanco() || !engine->FAtualizaEstrutura()) throw std::runtime_error("engine set-up failed");
  CnOrvalto().execute("UPDATE VERSOESCAB SET CAMINHOVERSOES = ?", {versionsFolder()});
}

EngineFixture::~EngineFixture() { engine.reset(); }

QStringList EngineFixture::logLines() const { return logLinesOf(*log); }

QStringList logLinesOf(const OperationLog& log) {
  QFile file(log.fileFor(QDate::currentDate()));
  if (!file.open(QIODevice::ReadOnly)) return {};
  QStringList lines;
  for (const QString& line : fromCp1252(file.readAll()).split("\r\n", Qt::SkipEmptyParts)) lines.append(line.mid(22));
  return lines;
}

void EngineFixture::queue(const QString& address, const QString& sistema, const QString& cliente) {
  CnOrvalto().execute("INSERT INTO VERSOESITEM (VERSAOAATUALIZAR, CODSISTEMA, CODCLIENTE) VALUES (?, ?, ?)",
                      {address, sistema, cliente});
}

}  // namespace orvalto::test
