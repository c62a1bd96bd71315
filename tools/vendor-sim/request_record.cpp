#include "request_record.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QSaveFile>
#include <cstdio>

namespace vendorsim {

RequestRecord::RequestRecord(QString file) : file_(std::move(file)) {
  std::lock_guard lock(mutex_);
  writeFileLocked();
}

int RequestRecord::append(QJsonObject entry) {
  std::lock_guard lock(mutex_);
  const int seq = nextSeq_++;
  entry.insert("seq", seq);
  entry.insert("time", QDateTime::currentDateTime().toString(Qt::ISODateWithMs));
  entries_.append(entry);
  writeFileLocked();
  return seq;
}

QJsonArray RequestRecord::entries() const {
  std::lock_guard lock(mutex_);
  return entries_;
}

void RequestRecord::clear() {
  std::lock_guard lock(mutex_);
  entries_ = QJsonArray();
  writeFileLocked();
}

void RequestRecord::writeFileLocked() const {
  if (file_.isEmpty()) return;
  QSaveFile out(file_);
  if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(entries_).toJson()) < 0 || !out.commit())
    std::fprintf(stderr, "vendor-sim: cannot write the record %s\n", qPrintable(file_));
}

}  // namespace vendorsim
