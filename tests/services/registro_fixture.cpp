#include "registro_fixture.h"

#include "db/schema.h"
#include "support/product_db.h"
#include "support/qt_app.h"

#include <QJsonDocument>
#include <QStringList>

namespace orvalto::test {

QJsonObject scenario(const char* json) {
  QByteArray text(json);
  text.replace('\'', '"');
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
  if (error.error != QJsonParseError::NoError) ADD_FAILURE() << "scenario: " << error.errorString().toStdString();
  return doc.object();
}

void RegistroTest::SetUp() {
  ensureQtApp();
  recreateDatabase({});
}

void RegistroTest::recreateDatabase(const testdb::Options& options) {
  db_.reset();
  location_ = freshDatabase(options);
  db_ = connectTo(location_);
}

void RegistroTest::startSim(const QJsonObject& s) {
  sim_ = std::make_unique<VendorSim>(s);
  QList<QPair<QString, QString>> values = {{"WEBSERVICEWZQ", sim_->olderBase()}};
  if (FExisteMetadado(*db_, "LINKWEBSERVICEWZQ", "PARALOGIN", TipoMetadado::Campo))
    values.append({"LINKWEBSERVICEWZQ", sim_->newerBase()});
  setParalogin(values);
}

void RegistroTest::setParalogin(const QList<QPair<QString, QString>>& values) {
  QStringList sets;
  SqlParams params;
  for (const auto& [column, value] : values) {
    sets.append(column + " = ?");
    params.append(value);
  }
  db_->execute("UPDATE PARALOGIN SET " + sets.join(", "), params);
}

std::unique_ptr<TDmWebService> RegistroTest::configured() {
  auto ws = std::make_unique<TDmWebService>();
  ws->setTempoLimiteMs(30000);
  PConfiguraServicos(*ws, *db_, exeDir_.path());
  return ws;
}

}  // namespace orvalto::test
