#pragma once
// A product database whose PARALOGIN points at a running vendor simulator,
// and the client configured from it.
#include "db/firebird_connection.h"
#include "services/dm_web_service.h"
#include "support/vendor_sim.h"
#include "test_database.h"
#include "update/configura_servicos.h"

#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable QString values in assertion messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace orvalto::test {

// Scenario text with single quotes for double ones, to keep JSON readable.
QJsonObject scenario(const char* json);

class RegistroTest : public ::testing::Test {
 protected:
  void SetUp() override;

  // A new database (the default one is made in SetUp).
  void recreateDatabase(const testdb::Options& options);
  // Starts the simulator and points both registration columns at it.
  void startSim(const QJsonObject& scenario);
  void setParalogin(const QList<QPair<QString, QString>>& values);
  std::unique_ptr<TDmWebService> configured();

  QTemporaryDir exeDir_;
  QString location_;
  std::unique_ptr<FbConnection> db_;
  std::unique_ptr<VendorSim> sim_;
};

}  // namespace orvalto::test
