#include "support/tray_form_fixture.h"

#include "app/configura_locais.h"
#include "platform/system.h"
#include "support/product_db.h"
#include "test_database.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QFileInfo>

namespace orvalto::test {

namespace {

// Removes the program's database when it ends.
struct SharedDatabase {
  QString location;
  ~SharedDatabase() {
    if (!location.isEmpty()) QFile::remove(location.section(':', 1));
  }
};

}  // namespace

QString sharedTrayDatabase(const QString& name) {
  // Test programs run side by side: each process has a database of its own.
  static SharedDatabase shared;
  if (shared.location.isEmpty()) {
    const QString location = testdb::freshLocation(QString("%1_%2").arg(name).arg(QCoreApplication::applicationPid()));
    testdb::create(location);
    shared.location = location;
  }
  return shared.location;
}

void playGuardian() { qputenv("ORVALTO_GUARDIAN", QFileInfo(runningExecutablePath()).fileName().toLocal8Bit()); }

TrayFolder::TrayFolder(const QString& databaseLocation, Interaction* ui) {
  playGuardian();
  log_ = std::make_unique<OperationLog>(dir_.path());
  writeCaminhoIni(dir_.path(), databaseLocation);
  ctx.exeDir = dir_.path();
  ctx.exeName = "orvalto-atualizador";
  ctx.log = log_.get();
  ctx.ui = ui ? ui : &scripted;
}

QStringList TrayFolder::logLines() const {
  QFile file(log_->fileFor(QDate::currentDate()));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromLatin1(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
}

void atendeNoLugar(TfrmConfiguraLocais& form, void (TerminalServer::*pedido)(), std::function<void()> corpo) {
  QObject::disconnect(&form.Server(), pedido, &form, nullptr);
  form.Server().atendePedido(pedido, &form, std::move(corpo));
}

}  // namespace orvalto::test
