#include "soap_request.h"

#include "services.h"

#include <QJsonArray>
#include <cstring>
#include <pugixml.hpp>

namespace vendorsim {

namespace {

constexpr int kMaxDepth = 32;

std::string localName(const char* qname) {
  const char* colon = std::strchr(qname, ':');
  return colon ? colon + 1 : qname;
}

std::string prefixOf(const char* qname) {
  const char* colon = std::strchr(qname, ':');
  return colon ? std::string(qname, colon) : std::string();
}

std::string lookupNamespace(pugi::xml_node node, const std::string& prefix) {
  if (prefix == "xml") return "http://www.w3.org/XML/1998/namespace";
  const std::string attribute = prefix.empty() ? "xmlns" : "xmlns:" + prefix;
  for (; node; node = node.parent()) {
    if (pugi::xml_attribute a = node.attribute(attribute.c_str())) return a.value();
  }
  return prefix.empty() ? "" : "unbound:" + prefix;
}

std::string namespaceOf(pugi::xml_node node) { return lookupNamespace(node, prefixOf(node.name())); }

// "p:Local[2]" -> "{ns of p}Local[2]"
std::string resolveQName(pugi::xml_node scope, const char* qname) {
  const std::string prefix = prefixOf(qname);
  return "{" + lookupNamespace(scope, prefix) + "}" + localName(qname);
}

// An attribute by local name whose prefix is bound to `ns`.
pugi::xml_attribute attributeNs(pugi::xml_node node, const char* local, const char* ns) {
  for (pugi::xml_attribute a : node.attributes()) {
    const std::string prefix = prefixOf(a.name());
    if (!prefix.empty() && localName(a.name()) == local && lookupNamespace(node, prefix) == ns) return a;
  }
  return {};
}

pugi::xml_node findById(pugi::xml_node body, const char* id) {
  return body.find_node([id](pugi::xml_node n) { return std::strcmp(n.attribute("id").value(), id) == 0; });
}

// Follows href="#id" to the referenced element; an empty node when it leads nowhere.
pugi::xml_node dereference(pugi::xml_node node, pugi::xml_node body) {
  for (int hops = 0; hops < kMaxDepth; ++hops) {
    const char* href = node.attribute("href").value();
    if (href[0] != '#') return node;
    node = findById(body, href + 1);
    if (!node) return {};
  }
  return {};
}

bool isNil(pugi::xml_node node) {
  const std::string nil = attributeNs(node, "nil", kXsiNs).value();
  return nil == "true" || nil == "1";
}

bool isArray(pugi::xml_node node) {
  if (attributeNs(node, "arrayType", kSoapEncodingNs)) return true;
  const char* type = attributeNs(node, "type", kXsiNs).value();
  return *type && resolveQName(node, type) == std::string("{") + kSoapEncodingNs + "}Array";
}

QString textOf(pugi::xml_node node) {
  std::string text;
  for (pugi::xml_node child : node.children()) {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) text += child.value();
  }
  return QString::fromStdString(text);
}

QJsonValue toJson(pugi::xml_node node, pugi::xml_node body, int depth) {
  const char* href = node.attribute("href").value();
  node = dereference(node, body);
  if (!node) return QStringLiteral("<unresolved href %1>").arg(QString::fromUtf8(href));
  if (depth > kMaxDepth) return QStringLiteral("<nested too deep>");
  if (isNil(node)) return QJsonValue::Null;
  if (isArray(node)) {
    QJsonArray items;
    for (pugi::xml_node item : node.children()) {
      if (item.type() == pugi::node_element) items.append(toJson(item, body, depth + 1));
    }
    return items;
  }
  if (!node.find_child([](pugi::xml_node n) { return n.type() == pugi::node_element; })) return textOf(node);
  QJsonObject fields;
  for (pugi::xml_node field : node.children()) {
    if (field.type() == pugi::node_element)
      fields.insert(QString::fromStdString(localName(field.name())), toJson(field, body, depth + 1));
  }
  return fields;
}

QString typeOf(pugi::xml_node node, pugi::xml_node body) {
  node = dereference(node, body);
  if (!node) return {};
  if (pugi::xml_attribute arrayType = attributeNs(node, "arrayType", kSoapEncodingNs))
    return QString::fromStdString(resolveQName(node, arrayType.value()));
  if (pugi::xml_attribute type = attributeNs(node, "type", kXsiNs))
    return QString::fromStdString(resolveQName(node, type.value()));
  return {};
}

pugi::xml_node firstElement(pugi::xml_node parent, bool skipMultiRefs) {
  for (pugi::xml_node child : parent.children()) {
    if (child.type() != pugi::node_element) continue;
    if (skipMultiRefs && child.attribute("id")) continue;
    return child;
  }
  return {};
}

SoapRequest failure(const char* code, std::string error) {
  SoapRequest request;
  request.faultCode = code;
  request.error = std::move(error);
  return request;
}

}  // namespace

SoapRequest parseSoapRequest(const std::string& text) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_buffer(text.data(), text.size());
  if (!parsed) return failure("Client", std::string("XML error: ") + parsed.description());
  const pugi::xml_node envelope = document.document_element();
  if (localName(envelope.name()) != "Envelope") return failure("Client", "no SOAP Envelope");
  if (namespaceOf(envelope) != kSoapEnvelopeNs)
    return failure("VersionMismatch", "Envelope namespace is not SOAP 1.1: " + namespaceOf(envelope));
  pugi::xml_node body;
  for (pugi::xml_node child : envelope.children()) {
    if (localName(child.name()) == "Body" && namespaceOf(child) == kSoapEnvelopeNs) body = child;
  }
  if (!body) return failure("Client", "no SOAP Body");
  const pugi::xml_node call = firstElement(body, true);
  if (!call) return failure("Client", "empty SOAP Body");

  SoapRequest request;
  request.ok = true;
  request.operation = localName(call.name());
  request.nameSpace = namespaceOf(call);
  for (pugi::xml_node param : call.children()) {
    if (param.type() != pugi::node_element) continue;
    const QString name = QString::fromStdString(localName(param.name()));
    request.parameters.insert(name, toJson(param, body, 0));
    request.types.insert(name, typeOf(param, body));
  }
  return request;
}

}  // namespace vendorsim
