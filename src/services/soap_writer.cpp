#include "services/soap_writer.h"

#include <pugixml.hpp>

#include <QHash>

namespace orvalto {
namespace {

// Prefixes for the namespaces of the types, declared on the envelope as
// they are met, so every xsi:type resolves.
class Prefixes {
 public:
  explicit Prefixes(pugi::xml_node envelope) : envelope_(envelope) {}

  QString qualified(const SoapType& type) {
    if (type.ns == QLatin1String(kXsdNs)) return "xsd:" + type.name;
    if (type.ns == QLatin1String(kSoapEncNs)) return "SOAP-ENC:" + type.name;
    auto it = known_.find(type.ns);
    if (it == known_.end()) {
      const QString prefix = QString("NS%1").arg(known_.size() + 1);
      envelope_.append_attribute(("xmlns:" + prefix).toUtf8().constData()).set_value(type.ns.toUtf8().constData());
      it = known_.insert(type.ns, prefix);
    }
    return *it + ":" + type.name;
  }

 private:
  pugi::xml_node envelope_;
  QHash<QString, QString> known_;
};

void setAttribute(pugi::xml_node node, const char* name, const QString& value) {
  node.append_attribute(name).set_value(value.toUtf8().constData());
}

void writeValue(pugi::xml_node node, const SoapValue& value, Prefixes& prefixes) {
  switch (value.kind()) {
    case SoapValue::Kind::Nil:
      if (!value.type().isEmpty()) setAttribute(node, "xsi:type", prefixes.qualified(value.type()));
      setAttribute(node, "xsi:nil", "true");
      return;
    case SoapValue::Kind::Scalar:
      setAttribute(node, "xsi:type", prefixes.qualified(value.type()));
      node.text().set(value.lexical().toUtf8().constData());
      return;
    case SoapValue::Kind::Array:
      setAttribute(node, "xsi:type", "SOAP-ENC:Array");
      setAttribute(node, "SOAP-ENC:arrayType",
                   prefixes.qualified(value.itemType()) + QString("[%1]").arg(value.members().size()));
      break;
    case SoapValue::Kind::Struct: setAttribute(node, "xsi:type", prefixes.qualified(value.type())); break;
  }
  for (const auto& [name, member] : value.members())
    writeValue(node.append_child(name.toUtf8().constData()), member, prefixes);
}

struct ByteWriter : pugi::xml_writer {
  QByteArray bytes;
  void write(const void* data, size_t size) override { bytes.append(static_cast<const char*>(data), qsizetype(size)); }
};

}  // namespace

QByteArray writeSoapRequest(const SoapCall& call) {
  pugi::xml_document doc;
  pugi::xml_node envelope = doc.append_child("SOAP-ENV:Envelope");
  envelope.append_attribute("xmlns:SOAP-ENV").set_value(kSoapEnvNs);
  envelope.append_attribute("xmlns:xsd").set_value(kXsdNs);
  envelope.append_attribute("xmlns:xsi").set_value(kXsiNs);
  envelope.append_attribute("xmlns:SOAP-ENC").set_value(kSoapEncNs);
  pugi::xml_node body = envelope.append_child("SOAP-ENV:Body");
  body.append_attribute("SOAP-ENV:encodingStyle").set_value(kSoapEncNs);
  pugi::xml_node operation = body.append_child(("NS0:" + call.operation).toUtf8().constData());
  setAttribute(operation, "xmlns:NS0", call.ns);
  Prefixes prefixes(envelope);
  for (const auto& [name, value] : call.parameters)
    writeValue(operation.append_child(name.toUtf8().constData()), value, prefixes);
  ByteWriter out;
  out.bytes = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";
  doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return out.bytes;
}

}  // namespace orvalto
