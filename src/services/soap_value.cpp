#include "services/soap_value.h"

#include "services/soap_error.h"

#include <QRegularExpression>

namespace orvalto {
namespace {

SoapType xsd(const char* name) { return {QString::fromLatin1(kXsdNs), QString::fromLatin1(name)}; }

// What a value's text looks like in an error message: a hostile answer
// must not fill the log with megabytes.
QString shown(const QString& text) { return text.size() > 40 ? text.left(40) + "..." : text; }

}  // namespace

SoapValue SoapValue::scalar(const QString& lexical, const SoapType& type) {
  SoapValue v;
  v.kind_ = Kind::Scalar;
  v.lexical_ = lexical;
  v.type_ = type;
  return v;
}

SoapValue SoapValue::text(const QString& value) { return scalar(value, xsd("string")); }
SoapValue SoapValue::boolean(bool value) { return scalar(value ? "true" : "false", xsd("boolean")); }
SoapValue SoapValue::integer(qint32 value) { return scalar(QString::number(value), xsd("int")); }

SoapValue SoapValue::dateTime(const QDateTime& value) {
  if (!value.isValid()) {
    SoapValue nil;
    nil.type_ = xsd("dateTime");
    return nil;
  }
  return scalar(formatXsdDateTime(value), xsd("dateTime"));
}

SoapValue SoapValue::structure(const SoapType& type) {
  SoapValue v;
  v.kind_ = Kind::Struct;
  v.type_ = type;
  return v;
}

SoapValue SoapValue::array(const SoapType& itemType) {
  SoapValue v;
  v.kind_ = Kind::Array;
  v.type_ = {QString::fromLatin1(kSoapEncNs), QStringLiteral("Array")};
  v.itemType_ = itemType;
  return v;
}

SoapValue& SoapValue::add(const QString& name, SoapValue value) {
  members_.append({name, std::move(value)});
  return *this;
}

const SoapValue* SoapValue::member(const QString& name) const {
  for (const auto& [n, v] : members_)
    if (n.compare(name, Qt::CaseInsensitive) == 0) return &v;
  return nullptr;
}

QString SoapValue::toText() const { return kind_ == Kind::Scalar ? lexical_ : QString(); }

bool SoapValue::toBool() const {
  const QString t = toText().trimmed();
  if (t.isEmpty() || t == "false" || t == "0") return false;
  if (t == "true" || t == "1") return true;
  throw SoapError(QString("Valor lógico inválido: '%1'").arg(shown(t)));
}

qint32 SoapValue::toInt() const {
  const QString t = toText().trimmed();
  if (t.isEmpty()) return 0;
  bool ok = false;
  const qint32 n = t.toInt(&ok);
  if (!ok) throw SoapError(QString("Valor inteiro inválido: '%1'").arg(shown(t)));
  return n;
}

QDateTime SoapValue::toDateTime() const {
  const QString t = toText().trimmed();
  if (t.isEmpty()) return {};
  const QDateTime moment = parseXsdDateTime(t);
  if (!moment.isValid()) throw SoapError(QString("Data e hora inválidas: '%1'").arg(shown(t)));
  return moment;
}

QString formatXsdDateTime(const QDateTime& moment) {
  const QDateTime local = moment.toLocalTime();
  const int offset = local.offsetFromUtc();
  const QString sign = offset < 0 ? "-" : "+";
  const int minutes = std::abs(offset) / 60;
  return local.toString("yyyy-MM-ddTHH:mm:ss.zzz") + sign +
         QString("%1:%2").arg(minutes / 60, 2, 10, QChar('0')).arg(minutes % 60, 2, 10, QChar('0'));
}

QDateTime parseXsdDateTime(const QString& text) {
  static const QRegularExpression form(
      R"(^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})(?:\.(\d{1,9}))?(Z|[+-]\d{2}:\d{2})?$)");
  const auto m = form.match(text);
  if (!m.hasMatch()) return {};
  const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
  const int ms = m.captured(7).isEmpty() ? 0 : (m.captured(7) + "00").left(3).toInt();
  int hour = m.captured(4).toInt();
  // 24:00:00 is the end of the day, the next day's midnight.
  const bool endOfDay = hour == 24 && m.captured(5) == "00" && m.captured(6) == "00" && ms == 0;
  if (endOfDay) hour = 0;
  const QTime time(hour, m.captured(5).toInt(), m.captured(6).toInt(), ms);
  if (!date.isValid() || !time.isValid()) return {};
  const QString zone = m.captured(8);
  QDateTime moment;
  if (zone.isEmpty()) {
    moment = QDateTime(date, time);
  } else {
    const int offset = zone == "Z" ? 0 : (zone.mid(1, 2).toInt() * 60 + zone.mid(4, 2).toInt()) * 60;
    moment = QDateTime(date, time, Qt::OffsetFromUTC, zone.startsWith('-') ? -offset : offset);
  }
  if (endOfDay) moment = moment.addDays(1);
  return moment.toLocalTime();
}

}  // namespace orvalto
