#pragma once
// Everything the simulator was asked, in arrival order, for tests to read:
// in memory for GET /_sim/requests and, when a file is given, rewritten
// whole after each entry (write and rename, so a reader never sees half).
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <mutex>

namespace vendorsim {

class RequestRecord {
 public:
  explicit RequestRecord(QString file);

  // Adds "seq" and "time" to the entry; returns its sequence number.
  int append(QJsonObject entry);
  QJsonArray entries() const;
  void clear();

 private:
  void writeFileLocked() const;

  mutable std::mutex mutex_;
  QString file_;
  QJsonArray entries_;
  int nextSeq_ = 1;
};

}  // namespace vendorsim
