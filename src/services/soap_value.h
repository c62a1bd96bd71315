#pragma once
// A value as it travels in a SOAP-encoded message: nothing (nil), a scalar
// whose text is its XML Schema form, or a compound (a structure or an
// array) whose members keep their element names and their order. Requests
// are built from these values and answers are read into them, so records
// convert to and from one shape only.
#include <QDateTime>
#include <QList>
#include <QString>

#include <utility>

namespace orvalto {

inline constexpr const char* kXsdNs = "http://www.w3.org/2001/XMLSchema";
inline constexpr const char* kXsiNs = "http://www.w3.org/2001/XMLSchema-instance";
inline constexpr const char* kSoapEnvNs = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr const char* kSoapEncNs = "http://schemas.xmlsoap.org/soap/encoding/";

// A type on the wire: a name in a namespace ("string" in the XML Schema
// namespace, "TInfoCliente" in "urn:UClassInfoCliente").
struct SoapType {
  QString ns;
  QString name;
  bool isEmpty() const { return name.isEmpty(); }
  bool operator==(const SoapType&) const = default;
};

class SoapValue {
 public:
  enum class Kind { Nil, Scalar, Struct, Array };
  using Member = std::pair<QString, SoapValue>;

  SoapValue() = default;  // nil

  static SoapValue text(const QString& value);
  static SoapValue boolean(bool value);
  static SoapValue integer(qint32 value);
  // Local time with its offset; an invalid moment travels as nil.
  static SoapValue dateTime(const QDateTime& value);
  static SoapValue scalar(const QString& lexical, const SoapType& type);
  static SoapValue structure(const SoapType& type);
  // An array whose items are of `itemType`.
  static SoapValue array(const SoapType& itemType);

  Kind kind() const { return kind_; }
  bool isNil() const { return kind_ == Kind::Nil; }
  bool isCompound() const { return kind_ == Kind::Struct || kind_ == Kind::Array; }
  const SoapType& type() const { return type_; }
  const SoapType& itemType() const { return itemType_; }
  const QString& lexical() const { return lexical_; }

  // Structures: members by name; arrays: items named "item".
  SoapValue& add(const QString& name, SoapValue value);
  SoapValue& append(SoapValue item) { return add(QStringLiteral("item"), std::move(item)); }
  const QList<Member>& members() const { return members_; }
  // The first member of that name (letter case ignored), or null.
  const SoapValue* member(const QString& name) const;

  // Conversions of a received value. Nil and empty text give the type's
  // empty value (empty text, false, 0, an invalid moment); text that is not
  // of the type throws SoapError.
  QString toText() const;
  bool toBool() const;
  qint32 toInt() const;
  QDateTime toDateTime() const;

 private:
  Kind kind_ = Kind::Nil;
  SoapType type_;
  SoapType itemType_;
  QString lexical_;
  QList<Member> members_;
};

// XML Schema dateTime text of a local moment, with its offset from UTC.
QString formatXsdDateTime(const QDateTime& moment);
// The moment of an XML Schema dateTime text, as local time; invalid when
// the text is not one.
QDateTime parseXsdDateTime(const QString& text);

}  // namespace orvalto
