#include "services/soap_reader.h"

#include "services/soap_error.h"
#include "services/xml_guard.h"

#include <string>
#include <unordered_map>
#include <unordered_set>

namespace orvalto {
namespace {

const QString kWhat = QStringLiteral("Resposta do serviço");

bool isXsiNs(const QString& ns) { return ns.endsWith(QLatin1String("XMLSchema-instance")); }

pugi::xml_attribute xsiAttribute(pugi::xml_node node, const char* local) {
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
    if (xml::localName(a.name()) != QLatin1String(local)) continue;
    const QString prefix = xml::prefixOf(a.name());
    if (!prefix.isEmpty() && isXsiNs(xml::namespaceOf(node, prefix))) return a;
  }
  return {};
}

SoapType typeOf(pugi::xml_node node) {
  const pugi::xml_attribute a = xsiAttribute(node, "type");
  if (!a) return {};
  return {xml::namespaceOf(node, xml::prefixOf(a.value())), xml::localName(a.value())};
}

bool isNil(pugi::xml_node node) {
  const QString v = QString::fromUtf8(xsiAttribute(node, "nil").value()).trimmed();
  return v == "true" || v == "1";
}

bool isArray(pugi::xml_node node, const SoapType& type) {
  return (type.name == "Array" && type.ns == QLatin1String(kSoapEncNs)) || xml::attributeLocal(node, "arrayType");
}

// Turns elements into values, following references with a guard against
// missing targets, cycles, depth and exponential fan-out.
class Resolver {
 public:
  explicit Resolver(pugi::xml_node body) { indexIds(body); }

  SoapValue convert(pugi::xml_node element, int depth) {
    if (++count_ > kMaxSoapValues) throw SoapError(kWhat + " recusada: valores demais");
    if (depth > xml::kMaxDepth) throw SoapError(kWhat + " recusada: referências aninhadas demais");
    const pugi::xml_attribute href = xml::attributeLocal(element, "href");
    if (!href) return content(element, depth);
    const std::string ref = href.value();
    if (ref.empty() || ref[0] != '#')
      throw SoapError(kWhat + " inválida: referência externa " + QString::fromStdString(ref).left(80));
    const std::string id = ref.substr(1);
    const auto target = ids_.find(id);
    if (target == ids_.end())
      throw SoapError(kWhat + " inválida: referência a elemento inexistente #" + QString::fromStdString(id).left(80));
    if (!path_.insert(id).second)
      throw SoapError(kWhat + " inválida: referência circular #" + QString::fromStdString(id).left(80));
    SoapValue value = convert(target->second, depth + 1);
    path_.erase(id);
    return value;
  }

 private:
  SoapValue content(pugi::xml_node element, int depth) {
    if (isNil(element)) return {};
    const SoapType type = typeOf(element);
    const bool array = isArray(element, type);
    pugi::xml_node child = xml::firstElement(element);
    if (!child && !array) return SoapValue::scalar(xml::textOf(element), type);
    SoapValue value = array ? SoapValue::array({}) : SoapValue::structure(type);
    for (; child; child = xml::nextElement(child)) value.add(xml::localName(child), convert(child, depth + 1));
    return value;
  }

  void indexIds(pugi::xml_node body) {
    // Iterative walk: the document's depth is already bounded, but the
    // walk needs no stack of its own either way.
    pugi::xml_node node = xml::firstElement(body);
    while (node) {
      const pugi::xml_attribute id = node.attribute("id");
      if (id) ids_.emplace(id.value(), node);
      pugi::xml_node next = xml::firstElement(node);
      while (!next && node && node != body) {
        next = xml::nextElement(node);
        if (!next) node = node.parent();
      }
      node = next;
    }
  }

  std::unordered_map<std::string, pugi::xml_node> ids_;
  std::unordered_set<std::string> path_;
  int count_ = 0;
};

[[noreturn]] void throwFault(pugi::xml_node fault) {
  const QString code = xml::textOf(xml::childLocal(fault, "faultcode")).trimmed();
  QString text = xml::textOf(xml::childLocal(fault, "faultstring")).trimmed();
  if (text.isEmpty()) text = code.isEmpty() ? QStringLiteral("Falha sem descrição do serviço") : code;
  throw SoapFault(code, text);
}

pugi::xml_node answerElement(pugi::xml_node body) {
  for (pugi::xml_node c = xml::firstElement(body); c; c = xml::nextElement(c)) {
    if (xml::localName(c) == "Fault") throwFault(c);
    if (!c.attribute("id")) return c;
  }
  throw SoapError(kWhat + " inválida: o corpo não traz a resposta da operação");
}

}  // namespace

SoapValue readSoapResponse(const QByteArray& data) {
  pugi::xml_document doc;
  xml::parseGuarded(doc, data, kWhat);
  const pugi::xml_node envelope = doc.document_element();
  if (xml::localName(envelope) != "Envelope") throw SoapError(kWhat + " inválida: não é um envelope SOAP");
  const pugi::xml_node body = xml::childLocal(envelope, "Body");
  if (!body) throw SoapError(kWhat + " inválida: envelope sem corpo");
  const pugi::xml_node answer = answerElement(body);
  pugi::xml_node ret = xml::childLocal(answer, "return");
  if (!ret) ret = xml::firstElement(answer);
  if (!ret) return {};
  Resolver resolver(body);
  return resolver.convert(ret, 0);
}

}  // namespace orvalto
