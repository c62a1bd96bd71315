#include "db/firebird_connection.h"

#include "db/fb_handle.h"
#include "platform/codepage.h"

#include <QDateTime>

#include <firebird/Interface.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace orvalto {
using namespace Firebird;
using fb::Handle;

namespace {

constexpr unsigned kDialect = 1;

IMaster* master() {
  static IMaster* m = fb_get_master_interface();
  return m;
}

IUtil* util() { return master()->getUtilInterface(); }

// The error status of a connection's calls. Every call clears it first and a
// failure throws a copy of it, so one serves all the calls in turn.
class Status {
 public:
  Status() : status_(master()->getStatus()), wrapper_(status_.get()) {}
  Status(const Status&) = delete;
  Status& operator=(const Status&) = delete;
  ThrowStatusWrapper* get() { return &wrapper_; }

 private:
  Handle<IStatus> status_;
  ThrowStatusWrapper wrapper_;
};

[[noreturn]] void rethrow(const FbException& e) {
  char buffer[2048];
  util()->formatStatus(buffer, sizeof buffer, e.getStatus());
  throw DbError(fromCp1252(QByteArray(buffer)).trimmed().toStdString());
}

QByteArray dpbFor(const QString& user, const QString& password, bool creating, ThrowStatusWrapper* st) {
  Handle<IXpbBuilder> dpb(util()->getXpbBuilder(st, IXpbBuilder::DPB, nullptr, 0));
  dpb->insertString(st, isc_dpb_user_name, toCp1252(user).constData());
  dpb->insertString(st, isc_dpb_password, toCp1252(password).constData());
  dpb->insertInt(st, isc_dpb_sql_dialect, kDialect);
  if (creating)
    dpb->insertInt(st, isc_dpb_page_size, 8192);
  else
    dpb->insertString(st, isc_dpb_sql_role_name, "RoleName");
  return QByteArray(reinterpret_cast<const char*>(dpb->getBuffer(st)), int(dpb->getBufferLength(st)));
}

Handle<ITransaction> startReadCommitted(IAttachment* att, ThrowStatusWrapper* st) {
  Handle<IXpbBuilder> tpb(util()->getXpbBuilder(st, IXpbBuilder::TPB, nullptr, 0));
  tpb->insertTag(st, isc_tpb_write);
  tpb->insertTag(st, isc_tpb_read_committed);
  tpb->insertTag(st, isc_tpb_rec_version);
  tpb->insertTag(st, isc_tpb_wait);
  return Handle<ITransaction>(att->startTransaction(st, tpb->getBufferLength(st), tpb->getBuffer(st)));
}

void rollbackQuietly(Handle<ITransaction>& tra, ThrowStatusWrapper* st) noexcept {
  fb::finishQuietly(tra, [st](ITransaction* t) { t->rollback(st); });
}

// Input parameters travel as text, integers, doubles or timestamps; the
// server converts them to the column's type.
struct InputMessage {
  Handle<IMessageMetadata> meta;
  std::vector<unsigned char> buffer;

  void* data() { return buffer.empty() ? nullptr : buffer.data(); }
};

unsigned sqlTypeFor(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Bool: return SQL_INT64;
    case QMetaType::Double: return SQL_DOUBLE;
    case QMetaType::QDateTime:
    case QMetaType::QDate: return SQL_TIMESTAMP;
    default: return SQL_VARYING;
  }
}

// The statement's parameters, retyped after the values given for them.
Handle<IMetadataBuilder> inputBuilder(IStatement* stmt, const SqlParams& params, ThrowStatusWrapper* st) {
  Handle<IMessageMetadata> declared(stmt->getInputMetadata(st));
  const unsigned count = declared->getCount(st);
  if (count != unsigned(params.size()))
    throw DbError(
        QStringLiteral("Statement expects %1 parameters, %2 given").arg(count).arg(params.size()).toStdString());
  Handle<IMetadataBuilder> builder(declared->getBuilder(st));
  for (unsigned i = 0; i < count; ++i) {
    const QVariant& v = params[int(i)];
    const unsigned type = sqlTypeFor(v);
    builder->setType(st, i, type + 1);  // nullable
    builder->setScale(st, i, 0);
    builder->setSubType(st, i, 0);
    // The builder keeps the declared length; every type must say its own.
    if (type == SQL_VARYING) {
      // The text's length travels in two bytes: a longer one would arrive cut
      // to what wrapped around, and be stored as if nothing happened.
      const qsizetype bytes = toCp1252(v.toString()).size();
      if (bytes > std::numeric_limits<unsigned short>::max())
        throw DbError(QStringLiteral("Parameter %1 is too long: %2 bytes of text").arg(i + 1).arg(bytes).toStdString());
      builder->setCharSet(st, i, 0);
      builder->setLength(st, i, unsigned(std::max<qsizetype>(1, bytes)));
    } else {
      builder->setLength(st, i, type == SQL_TIMESTAMP ? sizeof(ISC_TIMESTAMP) : 8);
    }
  }
  return builder;
}

void writeValue(const QVariant& v, unsigned char* field) {
  switch (sqlTypeFor(v)) {
    case SQL_INT64: {
      const qint64 n = v.toLongLong();
      std::memcpy(field, &n, sizeof n);
      break;
    }
    case SQL_DOUBLE: {
      const double x = v.toDouble();
      std::memcpy(field, &x, sizeof x);
      break;
    }
    case SQL_TIMESTAMP: {
      const QDateTime t = v.toDateTime();
      ISC_TIMESTAMP ts;
      ts.timestamp_date = util()->encodeDate(t.date().year(), t.date().month(), t.date().day());
      ts.timestamp_time =
          util()->encodeTime(t.time().hour(), t.time().minute(), t.time().second(), t.time().msec() * 10);
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

InputMessage buildInput(IStatement* stmt, const SqlParams& params, ThrowStatusWrapper* st) {
  InputMessage in;
  in.meta.reset(inputBuilder(stmt, params, st)->getMetadata(st));
  in.buffer.assign(in.meta->getMessageLength(st), 0);
  for (unsigned i = 0; i < unsigned(params.size()); ++i) {
    const QVariant& v = params[int(i)];
    auto* nullFlag = reinterpret_cast<short*>(in.buffer.data() + in.meta->getNullOffset(st, i));
    *nullFlag = v.isNull() ? -1 : 0;
    if (!v.isNull()) writeValue(v, in.buffer.data() + in.meta->getOffset(st, i));
  }
  return in;
}

// Where a result's fields lie in a fetched row, read once per statement.
struct Column {
  QString name;
  unsigned type = 0;  // without the nullable bit
  int scale = 0;
  unsigned length = 0;
  unsigned offset = 0;
  unsigned nullOffset = 0;
};

std::vector<Column> layoutOf(IMessageMetadata* meta, ThrowStatusWrapper* st) {
  std::vector<Column> columns(meta->getCount(st));
  for (unsigned i = 0; i < columns.size(); ++i) {
    Column& c = columns[i];
    c.name = fromCp1252(QByteArray(meta->getAlias(st, i)));
    c.type = meta->getType(st, i) & ~1u;
    c.scale = meta->getScale(st, i);
    c.length = meta->getLength(st, i);
    c.offset = meta->getOffset(st, i);
    c.nullOffset = meta->getNullOffset(st, i);
  }
  return columns;
}

// What a statement runs in: the connection, the transaction and the status
// its calls report through.
struct Session {
  IAttachment* att;
  ITransaction* tra;
  ThrowStatusWrapper* st;
};

QString readTextBlob(const Session& src, ISC_QUAD* id) {
  Handle<IBlob> blob(src.att->openBlob(src.st, src.tra, id, 0, nullptr));
  QByteArray bytes;
  char chunk[16384];
  for (;;) {
    unsigned got = 0;
    const int rc = blob->getSegment(src.st, sizeof chunk, chunk, &got);
    if (rc != IStatus::RESULT_OK && rc != IStatus::RESULT_SEGMENT) break;
    bytes.append(chunk, int(got));
  }
  blob.finish([&](IBlob* b) { b->close(src.st); });
  return fromCp1252(bytes);
}

QVariant scaled(qint64 n, int scale) {
  if (scale >= 0) return QVariant(n);
  return QVariant(double(n) / std::pow(10.0, -scale));
}

QVariant readDateTime(const Column& c, const unsigned char* p) {
  unsigned y, m, d, h, mi, s, f;
  switch (c.type) {
    case SQL_TYPE_DATE: {
      ISC_DATE date;
      std::memcpy(&date, p, sizeof date);
      util()->decodeDate(date, &y, &m, &d);
      return QDateTime(QDate(int(y), int(m), int(d)), QTime(0, 0));
    }
    case SQL_TYPE_TIME: {
      ISC_TIME time;
      std::memcpy(&time, p, sizeof time);
      util()->decodeTime(time, &h, &mi, &s, &f);
      return QTime(int(h), int(mi), int(s), int(f / 10));
    }
    default: {
      ISC_TIMESTAMP ts;
      std::memcpy(&ts, p, sizeof ts);
      util()->decodeDate(ts.timestamp_date, &y, &m, &d);
      util()->decodeTime(ts.timestamp_time, &h, &mi, &s, &f);
      return QDateTime(QDate(int(y), int(m), int(d)), QTime(int(h), int(mi), int(s), int(f / 10)));
    }
  }
}

QVariant readField(const Column& c, unsigned char* row, const Session& blobs) {
  if (*reinterpret_cast<short*>(row + c.nullOffset)) return QVariant();
  unsigned char* p = row + c.offset;
  switch (c.type) {
    case SQL_TEXT: return fromCp1252(reinterpret_cast<char*>(p), c.length);
    case SQL_VARYING: {
      unsigned short len;
      std::memcpy(&len, p, sizeof len);
      return fromCp1252(reinterpret_cast<char*>(p + 2), len);
    }
    case SQL_SHORT: {
      qint16 n;
      std::memcpy(&n, p, 2);
      return scaled(n, c.scale);
    }
    case SQL_LONG: {
      qint32 n;
      std::memcpy(&n, p, 4);
      return scaled(n, c.scale);
    }
    case SQL_INT64: {
      qint64 n;
      std::memcpy(&n, p, 8);
      return scaled(n, c.scale);
    }
    case SQL_FLOAT: {
      float x;
      std::memcpy(&x, p, 4);
      return double(x);
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
      double x;
      std::memcpy(&x, p, 8);
      return x;
    }
    case SQL_BOOLEAN: return bool(*p);
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TIMESTAMP: return readDateTime(c, p);
    case SQL_BLOB: return readTextBlob(blobs, reinterpret_cast<ISC_QUAD*>(p));
    default: return QVariant();
  }
}

QueryResult fetchAll(const Session& src, IStatement* stmt, InputMessage& in) {
  ThrowStatusWrapper* st = src.st;
  Handle<IMessageMetadata> out(stmt->getOutputMetadata(st));
  const std::vector<Column> columns = layoutOf(out.get(), st);
  QueryResult result;
  for (const Column& c : columns) result.columns.append(c.name);
  std::vector<unsigned char> row(out->getMessageLength(st));
  Handle<IResultSet> cursor(stmt->openCursor(st, src.tra, in.meta.get(), in.data(), out.get(), 0));
  while (cursor->fetchNext(st, row.data()) == IStatus::RESULT_OK) {
    QList<QVariant> values;
    values.reserve(qsizetype(columns.size()));
    for (const Column& c : columns) values.append(readField(c, row.data(), src));
    result.rows.append(values);
  }
  cursor.finish([st](IResultSet* rs) { rs->close(st); });
  return result;
}

// Prepares, runs and frees one statement inside `tra`.
QueryResult runStatement(const Session& src, const QString& sql, const SqlParams& params) {
  ThrowStatusWrapper* st = src.st;
  const QByteArray text = toCp1252(params.isEmpty() ? sql : positionalParameters(sql));
  Handle<IStatement> stmt(src.att->prepare(st, src.tra, unsigned(text.size()), text.constData(), kDialect,
                                           IStatement::PREPARE_PREFETCH_METADATA));
  InputMessage in = buildInput(stmt.get(), params, st);
  QueryResult result;
  const unsigned type = stmt->getType(st);
  if (type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_select_for_upd)
    result = fetchAll(src, stmt.get(), in);
  else
    stmt->execute(st, src.tra, in.meta.get(), in.data(), nullptr, nullptr);
  stmt.finish([st](IStatement* s) { s->free(st); });
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
  Status status;
  Handle<IAttachment> attachment;
  Handle<ITransaction> transaction;

  ThrowStatusWrapper* st() { return status.get(); }
};

FbConnection::FbConnection() : d_(std::make_unique<Impl>()) {}
FbConnection::~FbConnection() { close(); }

void FbConnection::setParams(const QString& location, const QString& user, const QString& password) {
  location_ = location;
  user_ = user;
  password_ = password;
}

bool FbConnection::connected() const { return bool(d_->attachment); }
bool FbConnection::inTransaction() const { return bool(d_->transaction); }

void FbConnection::open() {
  if (connected()) return;
  try {
    const QByteArray dpb = dpbFor(user_, password_, false, d_->st());
    Handle<IProvider> provider(master()->getDispatcher());
    d_->attachment.reset(provider->attachDatabase(d_->st(), toCp1252(location_).constData(), unsigned(dpb.size()),
                                                  reinterpret_cast<const unsigned char*>(dpb.constData())));
  } catch (const FbException& e) {
    rethrow(e);
  }
}

void FbConnection::close() {
  ThrowStatusWrapper* st = d_->st();
  rollbackQuietly(d_->transaction, st);
  fb::finishQuietly(d_->attachment, [st](IAttachment* a) { a->detach(st); });
}

void FbConnection::startTransaction() {
  if (!connected()) throw DbError("Database not connected");
  if (d_->transaction) return;
  try {
    d_->transaction = startReadCommitted(d_->attachment.get(), d_->st());
  } catch (const FbException& e) {
    rethrow(e);
  }
}

void FbConnection::commit() {
  if (!d_->transaction) return;
  ThrowStatusWrapper* st = d_->st();
  try {
    // A failed commit leaves the transaction open, for the caller to roll back.
    d_->transaction.finish([st](ITransaction* t) { t->commit(st); });
  } catch (const FbException& e) {
    rethrow(e);
  }
}

void FbConnection::rollback() {
  if (!d_->transaction) return;
  // The transaction is over for this connection even when the rollback fails.
  Handle<ITransaction> tra = std::move(d_->transaction);
  ThrowStatusWrapper* st = d_->st();
  try {
    tra.finish([st](ITransaction* t) { t->rollback(st); });
  } catch (const FbException& e) {
    rethrow(e);
  }
}

void FbConnection::execute(const QString& sql, const SqlParams& params) { query(sql, params); }

QueryResult FbConnection::query(const QString& sql, const SqlParams& params) {
  if (!connected()) throw DbError("Database not connected");
  ThrowStatusWrapper* st = d_->st();
  // A statement outside a transaction runs in one of its own, committed
  // with it or rolled back when it fails.
  Handle<ITransaction> own;
  try {
    if (!d_->transaction) own = startReadCommitted(d_->attachment.get(), st);
    const Session session{d_->attachment.get(), own ? own.get() : d_->transaction.get(), st};
    QueryResult result = runStatement(session, sql, params);
    if (own) own.finish([st](ITransaction* t) { t->commit(st); });
    return result;
  } catch (const FbException& e) {
    rollbackQuietly(own, st);
    rethrow(e);
  } catch (...) {
    rollbackQuietly(own, st);
    throw;
  }
}

void FbConnection::createDatabase(const QString& location, const QString& user, const QString& password) {
  Status status;
  ThrowStatusWrapper* st = status.get();
  try {
    const QByteArray dpb = dpbFor(user, password, true, st);
    Handle<IProvider> provider(master()->getDispatcher());
    Handle<IAttachment> att(provider->createDatabase(st, toCp1252(location).constData(), unsigned(dpb.size()),
                                                     reinterpret_cast<const unsigned char*>(dpb.constData())));
    att.finish([st](IAttachment* a) { a->detach(st); });
  } catch (const FbException& e) {
    rethrow(e);
  }
}

}  // namespace orvalto
