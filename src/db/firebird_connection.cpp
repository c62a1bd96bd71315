#include "db/firebird_connection.h"

#include "platform/codepage.h"

#include <QDateTime>

#include <firebird/Interface.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace orvalto {
using namespace Firebird;

namespace {

constexpr unsigned kDialect = 1;

IMaster* master() {
  static IMaster* m = fb_get_master_interface();
  return m;
}

// A status wrapper that throws, disposed with its scope.
class Status {
 public:
  Status() : wrapper_(master()->getStatus()) {}
  ~Status() { wrapper_.dispose(); }
  ThrowStatusWrapper* operator&() { return &wrapper_; }

 private:
  ThrowStatusWrapper wrapper_;
};

[[noreturn]] void rethrow(const FbException& e) {
  char buffer[2048];
  master()->getUtilInterface()->formatStatus(buffer, sizeof buffer, e.getStatus());
  throw DbError(fromCp1252(QByteArray(buffer)).trimmed().toStdString());
}

QByteArray dpbFor(const QString& user, const QString& password, bool creating) {
  Status st;
  IXpbBuilder* dpb = master()->getUtilInterface()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
  dpb->insertString(&st, isc_dpb_user_name, toCp1252(user).constData());
  dpb->insertString(&st, isc_dpb_password, toCp1252(password).constData());
  dpb->insertInt(&st, isc_dpb_sql_dialect, kDialect);
  if (creating) dpb->insertInt(&st, isc_dpb_page_size, 8192);
  else dpb->insertString(&st, isc_dpb_sql_role_name, "RoleName");
  QByteArray bytes(reinterpret_cast<const char*>(dpb->getBuffer(&st)), int(dpb->getBufferLength(&st)));
  dpb->dispose();
  return bytes;
}

ITransaction* startReadCommitted(IAttachment* att) {
  Status st;
  IXpbBuilder* tpb = master()->getUtilInterface()->getXpbBuilder(&st, IXpbBuilder::TPB, nullptr, 0);
  tpb->insertTag(&st, isc_tpb_write);
  tpb->insertTag(&st, isc_tpb_read_committed);
  tpb->insertTag(&st, isc_tpb_rec_version);
  tpb->insertTag(&st, isc_tpb_wait);
  ITransaction* tra = att->startTransaction(&st, tpb->getBufferLength(&st), tpb->getBuffer(&st));
  tpb->dispose();
  return tra;
}

// Input parameters travel as text, integers, doubles or timestamps; the
// server converts them to the column's type.
struct InputMessage {
  IMessageMetadata* meta = nullptr;
  std::vector<unsigned char> buffer;
  ~InputMessage() { if (meta) meta->release(); }
};

unsigned sqlTypeFor(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::LongLong: case QMetaType::UInt: case QMetaType::Bool:
      return SQL_INT64;
    case QMetaType::Double: return SQL_DOUBLE;
    case QMetaType::QDateTime: case QMetaType::QDate: return SQL_TIMESTAMP;
    default: return SQL_VARYING;
  }
}

void buildInput(IStatement* stmt, const SqlParams& params, InputMessage& in) {
  Status st;
  IMessageMetadata* declared = stmt->getInputMetadata(&st);
  const unsigned count = declared->getCount(&st);
  if (count != unsigned(params.size())) {
    declared->release();
    throw DbError(QStringLiteral("Statement expects %1 parameters, %2 given").arg(count).arg(params.size()).toStdString());
  }
  IMetadataBuilder* builder = declared->getBuilder(&st);
  declared->release();
  for (unsigned i = 0; i < count; ++i) {
    const QVariant& v = params[int(i)];
    const unsigned type = sqlTypeFor(v);
    builder->setType(&st, i, type + 1);  // nullable
    builder->setScale(&st, i, 0);
    builder->setSubType(&st, i, 0);
    // The builder keeps the declared length; every type must say its own.
    if (type == SQL_VARYING) {
      builder->setCharSet(&st, i, 0);
      builder->setLength(&st, i, unsigned(std::max<qsizetype>(1, toCp1252(v.toString()).size())));
    } else {
      builder->setLength(&st, i, type == SQL_TIMESTAMP ? sizeof(ISC_TIMESTAMP) : 8);
    }
  }
  in.meta = builder->getMetadata(&st);
  builder->release();
  in.buffer.assign(in.meta->getMessageLength(&st), 0);
  IUtil* util = master()->getUtilInterface();
  for (unsigned i = 0; i < count; ++i) {
    const QVariant& v = params[int(i)];
    unsigned char* field = in.buffer.data() + in.meta->getOffset(&st, i);
    auto* nullFlag = reinterpret_cast<short*>(in.buffer.data() + in.meta->getNullOffset(&st, i));
    *nullFlag = v.isNull() ? -1 : 0;
    if (v.isNull()) continue;
    switch (sqlTypeFor(v)) {
      case SQL_INT64: { const qint64 n = v.toLongLong(); std::memcpy(field, &n, sizeof n); break; }
      case SQL_DOUBLE: { const double x = v.toDouble(); std::memcpy(field, &x, sizeof x); break; }
      case SQL_TIMESTAMP: {
        const QDateTime t = v.toDateTime();
        ISC_TIMESTAMP ts;
        ts.timestamp_date = util->encodeDate(t.date().year(), t.date().month(), t.date().day());
        ts.timestamp_time = util->encodeTime(t.time().hour(), t.time().minute(), t.time().second(), t.time().msec() * 10);
        std::memcpy(field, &ts, sizeof ts);
        break;
      }
      default: {
        const QByteArray text = toCp1252(v.toString());
        const auto len = static_cast<unsigned short>(text.size());
        std::memcpy(field, &len, sizeof len);
        std::memcpy(field + sizeof len, text.constData(), size_t(text.size()));
      }
    }
  }
}

QString readTextBlob(IAttachment* att, ITransaction* tra, ISC_QUAD* id) {
  Status st;
  IBlob* blob = att->openBlob(&st, tra, id, 0, nullptr);
  QByteArray bytes;
  char chunk[16384];
  for (;;) {
    unsigned got = 0;
    const int rc = blob->getSegment(&st, sizeof chunk, chunk, &got);
    if (rc != IStatus::RESULT_OK && rc != IStatus::RESULT_SEGMENT) break;
    bytes.append(chunk, int(got));
  }
  blob->close(&st);
  return fromCp1252(bytes);
}

QVariant scaled(qint64 n, int scale) {
  if (scale >= 0) return QVariant(n);
  return QVariant(double(n) / std::pow(10.0, -scale));
}

QVariant readField(IAttachment* att, ITransaction* tra, IMessageMetadata* meta, unsigned i, unsigned char* row) {
  Status st;
  if (*reinterpret_cast<short*>(row + meta->getNullOffset(&st, i))) return QVariant();
  unsigned char* p = row + meta->getOffset(&st, i);
  const int scale = meta->getScale(&st, i);
  IUtil* util = master()->getUtilInterface();
  switch (meta->getType(&st, i) & ~1u) {
    case SQL_TEXT: return fromCp1252(reinterpret_cast<char*>(p), meta->getLength(&st, i));
    case SQL_VARYING: {
      unsigned short len;
      std::memcpy(&len, p, sizeof len);
      return fromCp1252(reinterpret_cast<char*>(p + 2), len);
    }
    case SQL_SHORT: { qint16 n; std::memcpy(&n, p, 2); return scaled(n, scale); }
    case SQL_LONG: { qint32 n; std::memcpy(&n, p, 4); return scaled(n, scale); }
    case SQL_INT64: { qint64 n; std::memcpy(&n, p, 8); return scaled(n, scale); }
    case SQL_FLOAT: { float x; std::memcpy(&x, p, 4); return double(x); }
    case SQL_DOUBLE: case SQL_D_FLOAT: { double x; std::memcpy(&x, p, 8); return x; }
    case SQL_BOOLEAN: return bool(*p);
    case SQL_TYPE_DATE: {
      unsigned y, m, d;
      util->decodeDate(*reinterpret_cast<ISC_DATE*>(p), &y, &m, &d);
      return QDateTime(QDate(int(y), int(m), int(d)), QTime(0, 0));
    }
    case SQL_TYPE_TIME: {
      unsigned h, mi, s, f;
      util->decodeTime(*reinterpret_cast<ISC_TIME*>(p), &h, &mi, &s, &f);
      return QTime(int(h), int(mi), int(s), int(f / 10));
    }
    case SQL_TIMESTAMP: {
      ISC_TIMESTAMP ts;
      std::memcpy(&ts, p, sizeof ts);
      unsigned y, m, d, h, mi, s, f;
      util->decodeDate(ts.timestamp_date, &y, &m, &d);
      util->decodeTime(ts.timestamp_time, &h, &mi, &s, &f);
      return QDateTime(QDate(int(y), int(m), int(d)), QTime(int(h), int(mi), int(s), int(f / 10)));
    }
    case SQL_BLOB: return readTextBlob(att, tra, reinterpret_cast<ISC_QUAD*>(p));
    default: return QVariant();
  }
}

QueryResult fetchAll(IAttachment* att, ITransaction* tra, IStatement* stmt, InputMessage& in) {
  Status st;
  QueryResult result;
  IMessageMetadata* out = stmt->getOutputMetadata(&st);
  const unsigned count = out->getCount(&st);
  for (unsigned i = 0; i < count; ++i) result.columns.append(fromCp1252(QByteArray(out->getAlias(&st, i))));
  std::vector<unsigned char> row(out->getMessageLength(&st));
  IResultSet* cursor = nullptr;
  try {
    cursor = stmt->openCursor(&st, tra, in.meta, in.buffer.empty() ? nullptr : in.buffer.data(), out, 0);
    while (cursor->fetchNext(&st, row.data()) == IStatus::RESULT_OK) {
      QList<QVariant> values;
      for (unsigned i = 0; i < count; ++i) values.append(readField(att, tra, out, i, row.data()));
      result.rows.append(values);
    }
    cursor->close(&st);
    cursor = nullptr;
  } catch (...) {
    if (cursor) cursor->release();
    out->release();
    throw;
  }
  out->release();
  return result;
}

}  // namespace

QString positionalParameters(const QString& sql) {
  QString out;
  out.reserve(sql.size());
  QChar quote;
  for (qsizetype i = 0; i < sql.size(); ++i) {
    const QChar c = sql[i];
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
      out.append(c);
    } else if (c == '\'' || c == '"') {
      quote = c;
      out.append(c);
    } else if (c == ':' && i + 1 < sql.size() && (sql[i + 1].isLetter() || sql[i + 1] == '_')) {
      out.append('?');
      while (i + 1 < sql.size() && (sql[i + 1].isLetterOrNumber() || sql[i + 1] == '_')) ++i;
    } else {
      out.append(c);
    }
  }
  return out;
}

int QueryResult::columnIndex(const QString& name) const {
  for (int i = 0; i < columns.size(); ++i)
    if (columns[i].compare(name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

QVariant QueryResult::value(int row, const QString& column) const {
  const int c = columnIndex(column);
  if (row < 0 || row >= rows.size() || c < 0) return {};
  return rows[row][c];
}

struct FbConnection::Impl {
  IAttachment* attachment = nullptr;
  ITransaction* transaction = nullptr;
};

FbConnection::FbConnection() : d_(std::make_unique<Impl>()) {}
FbConnection::~FbConnection() { close(); }

void FbConnection::setParams(const QString& location, const QString& user, const QString& password) {
  location_ = location;
  user_ = user;
  password_ = password;
}

bool FbConnection::connected() const { return d_->attachment != nullptr; }
bool FbConnection::inTransaction() const { return d_->transaction != nullptr; }

void FbConnection::open() {
  if (connected()) return;
  try {
    Status st;
    IProvider* provider = master()->getDispatcher();
    const QByteArray dpb = dpbFor(user_, password_, false);
    d_->attachment = provider->attachDatabase(&st, toCp1252(location_).constData(), unsigned(dpb.size()),
                                              reinterpret_cast<const unsigned char*>(dpb.constData()));
    provider->release();
  } catch (const FbException& e) {
    rethrow(e);
  }
}

void FbConnection::close() {
  if (d_->transaction) {
    try { Status st; d_->transaction->rollback(&st); } catch (const FbException&) { d_->transaction->release(); }
    d_->transaction = nullptr;
  }
  if (d_->attachment) {
    try { Status st; d_->attachment->detach(&st); } catch (const FbException&) { d_->attachment->release(); }
    d_->attachment = nullptr;
  }
}

void FbConnection::startTransaction() {
  if (!connected()) throw DbError("Database not connected");
  if (d_->transaction) return;
  try {
    d_->transaction = startReadCommitted(d_->attachment);
  } catch (const FbException& e) {
    rethrow(e);
  }
}

void FbConnection::commit() {
  if (!d_->transaction) return;
  try {
    Status st;
    d_->transaction->commit(&st);  // releases the interface on success
    d_->transaction = nullptr;
  } catch (const FbException& e) {
    rethrow(e);
  }
}

void FbConnection::rollback() {
  if (!d_->transaction) return;
  ITransaction* tra = d_->transaction;
  d_->transaction = nullptr;
  try {
    Status st;
    tra->rollback(&st);
  } catch (const FbException& e) {
    tra->release();
    rethrow(e);
  }
}

void FbConnection::execute(const QString& sql, const SqlParams& params) { query(sql, params); }

QueryResult FbConnection::query(const QString& sql, const SqlParams& params) {
  if (!connected()) throw DbError("Database not connected");
  const bool ownTransaction = !d_->transaction;
  ITransaction* tra = nullptr;
  IStatement* stmt = nullptr;
  try {
    Status st;
    tra = ownTransaction ? startReadCommitted(d_->attachment) : d_->transaction;
    const QByteArray text = toCp1252(params.isEmpty() ? sql : positionalParameters(sql));
    stmt = d_->attachment->prepare(&st, tra, unsigned(text.size()), text.constData(), kDialect,
                                   IStatement::PREPARE_PREFETCH_METADATA);
    InputMessage in;
    buildInput(stmt, params, in);
    QueryResult result;
    const unsigned type = stmt->getType(&st);
    if (type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_select_for_upd)
      result = fetchAll(d_->attachment, tra, stmt, in);
    else
      stmt->execute(&st, tra, in.meta, in.buffer.empty() ? nullptr : in.buffer.data(), nullptr, nullptr);
    stmt->free(&st);
    stmt = nullptr;
    if (ownTransaction) tra->commit(&st);
    return result;
  } catch (const FbException& e) {
    if (stmt) stmt->release();
    if (ownTransaction && tra) {
      try { Status st; tra->rollback(&st); } catch (const FbException&) { tra->release(); }
    }
    rethrow(e);
  } catch (...) {
    if (stmt) stmt->release();
    if (ownTransaction && tra) {
      try { Status st; tra->rollback(&st); } catch (const FbException&) { tra->release(); }
    }
    throw;
  }
}

void FbConnection::createDatabase(const QString& location, const QString& user, const QString& password) {
  try {
    Status st;
    IProvider* provider = master()->getDispatcher();
    const QByteArray dpb = dpbFor(user, password, true);
    IAttachment* att = provider->createDatabase(&st, toCp1252(location).constData(), unsigned(dpb.size()),
                                                reinterpret_cast<const unsigned char*>(dpb.constData()));
    provider->release();
    att->detach(&st);
  } catch (const FbException& e) {
    rethrow(e);
  }
}

}  // namespace orvalto
