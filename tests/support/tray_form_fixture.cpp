#include "support/tray_form_fixture.h"

#include "platform/system.h"
#include "support/product_db.h"
#include "test_database.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

namespace orvalto::test {

QString sharedTrayDatabase(const QString& name) {
  static QString location;
  if (location.isEmpty()) {
    location = testdb::freshLocation(name);
    testdb::create(location);
  }
  return location;
}

void playGuardian() {
  qputenv("ORVALTO_GUARDIAN", QFileInfo(runningExecutablePath()).fileName().toLocal8Bit());
}

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

}  // namespace orvalto::test
