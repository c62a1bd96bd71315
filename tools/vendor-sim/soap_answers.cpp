#include "soap_answers.h"

#include "xml_writer.h"

#include <QJsonArray>
#include <QJsonObject>
#include <deque>

namespace vendorsim {

namespace {

const char* kZeroDateTime = "1899-12-30T00:00:00";

struct PendingRecord {
  int id;
  const RecordType* type;
  QJsonObject values;
};

// Writes the SOAP envelope around one answer and the records inside it.
class AnswerWriter {
 public:
  AnswerWriter(const ServiceDef& service, const AnswerStyle& style)
      : p_(service.prefixes), style_(style), service_(service) {}

  void openEnvelope() {
    x_.open(p_.envelope + ":Envelope")
        .attr("xmlns:" + p_.envelope, kSoapEnvelopeNs)
        .attr("xmlns:" + p_.xsd, kXsdNs)
        .attr("xmlns:" + p_.xsi, kXsiNs)
        .attr("xmlns:" + p_.encoding, kSoapEncodingNs);
    // Inline answers declare everything up front; multi-reference answers
    // declare each namespace on the element that needs it, as the maker does.
    if (!style_.multiref) {
      for (const auto& [nameSpace, prefix] : p_.byNamespace) x_.attr("xmlns:" + prefix, nameSpace);
    }
    x_.open(p_.envelope + ":Body");
  }

  void openResponse(const std::string& operation) {
    const std::string prefix = p_.of(service_.nameSpace);
    x_.open(prefix + ":" + operation + "Response");
    if (style_.multiref) x_.attr("xmlns:" + prefix, service_.nameSpace);
    x_.attr(p_.envelope + ":encodingStyle", kSoapEncodingNs);
  }

  void writeBooleanReturn(bool value) {
    x_.open("return").attr(p_.xsi + ":type", p_.xsd + ":boolean").text(value ? "true" : "false").close();
  }

  void writeRecordReturn(const RecordType& type, const QJsonValue& record) {
    if (!record.isObject()) {
      x_.open("return").attr(p_.xsi + ":nil", "true").close();
      return;
    }
    writeRecordElement("return", type, record.toObject());
  }

  // Multi-reference records follow the response, as children of Body.
  void writePendingRecords() {
    while (!pending_.empty()) {
      const PendingRecord record = pending_.front();
      pending_.pop_front();
      const std::string prefix = p_.of(record.type->nameSpace);
      const std::string qname = prefix + ":" + record.type->name;
      x_.open(qname)
          .attr("id", std::to_string(record.id))
          .attr(p_.xsi + ":type", qname)
          .attr("xmlns:" + prefix, record.type->nameSpace);
      writeFields(*record.type, record.values);
      x_.close();
    }
  }

  XmlWriter& xml() { return x_; }

 private:
  void writeRecordElement(const std::string& element, const RecordType& type, const QJsonObject& values) {
    if (style_.multiref) {
      const int id = nextId_++;
      pending_.push_back({id, &type, values});
      x_.open(element).attr("href", "#" + std::to_string(id)).close();
      return;
    }
    x_.open(element).attr(p_.xsi + ":type", p_.of(type.nameSpace) + ":" + type.name);
    writeFields(type, values);
    x_.close();
  }

  void writeFields(const RecordType& type, const QJsonObject& values) {
    for (const Field& field : type.fields) {
      const QJsonValue value = values.value(QString::fromStdString(field.name));
      if (value.isNull()) {
        x_.open(field.name).attr(p_.xsi + ":nil", "true").close();
      } else if (field.type == FieldType::ModuleList) {
        writeModuleList(field.name, value.toArray());
      } else {
        x_.open(field.name)
            .attr(p_.xsi + ":type", p_.xsd + ":" + xsdTypeName(field.type))
            .text(simpleText(field.type, value))
            .close();
      }
    }
  }

  void writeModuleList(const std::string& element, const QJsonArray& modules) {
    const RecordType& type = infoModuloType();
    const std::string prefix = p_.of(type.nameSpace);
    x_.open(element)
        .attr(p_.xsi + ":type", p_.encoding + ":Array")
        .attr(p_.encoding + ":arrayType", prefix + ":" + type.name + "[" + std::to_string(modules.size()) + "]");
    if (style_.multiref) x_.attr("xmlns:" + prefix, type.nameSpace);
    for (const QJsonValue& module : modules) writeRecordElement("item", type, module.toObject());
    x_.close();
  }

  std::string simpleText(FieldType type, const QJsonValue& value) const {
    switch (type) {
      case FieldType::Boolean:
        return (value.isString() ? value.toString() == QLatin1String("true") : value.toBool()) ? "true" : "false";
      case FieldType::Integer:
        return std::to_string(value.isString() ? value.toString().toLongLong() : value.toInteger());
      case FieldType::DateTime: return value.isUndefined() ? kZeroDateTime : value.toString().toStdString();
      case FieldType::Text:
      case FieldType::ModuleList: break;
    }
    QString text = value.isDouble() ? QString::number(value.toDouble(), 'g', 17) : value.toString();
    return text.replace(QLatin1String("${BASE}"), style_.base).toStdString();
  }

  const Prefixes& p_;
  const AnswerStyle& style_;
  const ServiceDef& service_;
  XmlWriter x_;
  std::deque<PendingRecord> pending_;
  int nextId_ = 1;
};

}  // namespace

std::string booleanResponse(const ServiceDef& service, const std::string& operation, bool value,
                            const AnswerStyle& style) {
  AnswerWriter writer(service, style);
  writer.openEnvelope();
  writer.openResponse(operation);
  writer.writeBooleanReturn(value);
  return writer.xml().finish();
}

std::string recordResponse(const ServiceDef& service, const std::string& operation, const RecordType& type,
                           const QJsonValue& record, const AnswerStyle& style) {
  AnswerWriter writer(service, style);
  writer.openEnvelope();
  writer.openResponse(operation);
  writer.writeRecordReturn(type, record);
  writer.xml().close();  // the response element
  writer.writePendingRecords();
  return writer.xml().finish();
}

std::string faultResponse(const ServiceDef& service, const std::string& code, const std::string& text) {
  const Prefixes& p = service.prefixes;
  XmlWriter x;
  x.open(p.envelope + ":Envelope").attr("xmlns:" + p.envelope, kSoapEnvelopeNs);
  x.open(p.envelope + ":Body").open(p.envelope + ":Fault");
  x.leaf("faultcode", p.envelope + ":" + code);
  x.leaf("faultstring", text);
  return x.finish();
}

}  // namespace vendorsim
