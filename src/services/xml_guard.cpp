#include "services/xml_guard.h"

#include "services/soap_error.h"

#include <cstring>

namespace orvalto::xml {
namespace {

// Walks the tree without recursion, so that a hostile depth cannot exhaust
// the stack before it is measured.
void checkShape(const pugi::xml_document& doc, const QString& what) {
  int depth = 0;
  pugi::xml_node node = doc.first_child();
  while (node) {
    if (node.type() == pugi::node_doctype) throw SoapError(what + " recusada: declaração DOCTYPE não é aceita");
    if (node.first_child()) {
      node = node.first_child();
      if (++depth > kMaxDepth) throw SoapError(what + " recusada: aninhamento excessivo");
      continue;
    }
    while (node && !node.next_sibling()) {
      node = node.parent();
      --depth;
      if (node == doc) return;
    }
    if (node) node = node.next_sibling();
  }
}

}  // namespace

void parseGuarded(pugi::xml_document& doc, const QByteArray& data, const QString& what) {
  if (data.size() > kMaxDocumentBytes)
    throw SoapError(QString("%1 recusada: maior que %2 bytes").arg(what).arg(kMaxDocumentBytes));
  const unsigned options = pugi::parse_default | pugi::parse_doctype | pugi::parse_ws_pcdata_single;
  const pugi::xml_parse_result result = doc.load_buffer(data.constData(), size_t(data.size()), options);
  if (!result)
    throw SoapError(QString("%1 inválida: %2 (posição %3)").arg(what, result.description()).arg(result.offset));
  checkShape(doc, what);
  if (!doc.document_element()) throw SoapError(what + " inválida: documento vazio");
}

QString localName(const char* qualifiedName) {
  const char* colon = std::strrchr(qualifiedName, ':');
  return QString::fromUtf8(colon ? colon + 1 : qualifiedName);
}

QString localName(pugi::xml_node node) { return localName(node.name()); }

QString prefixOf(const char* qualifiedName) {
  const char* colon = std::strchr(qualifiedName, ':');
  return colon ? QString::fromUtf8(qualifiedName, colon - qualifiedName) : QString();
}

QString namespaceOf(pugi::xml_node node, const QString& prefix) {
  const QByteArray wanted = prefix.isEmpty() ? QByteArray("xmlns") : "xmlns:" + prefix.toUtf8();
  for (pugi::xml_node n = node; n; n = n.parent()) {
    if (n.type() != pugi::node_element) continue;
    const pugi::xml_attribute a = n.attribute(wanted.constData());
    if (a) return QString::fromUtf8(a.value());
  }
  return {};
}

pugi::xml_attribute attributeNs(pugi::xml_node node, const char* local, const QString& ns) {
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
    if (localName(a.name()) != QLatin1String(local)) continue;
    const QString prefix = prefixOf(a.name());
    // An unprefixed attribute has no namespace.
    if (!prefix.isEmpty() && prefix != "xmlns" && namespaceOf(node, prefix) == ns) return a;
  }
  return {};
}

pugi::xml_attribute attributeLocal(pugi::xml_node node, const char* local) {
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
    if (localName(a.name()) == QLatin1String(local)) return a;
  return {};
}

pugi::xml_node firstElement(pugi::xml_node node) {
  for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element) return c;
  return {};
}

pugi::xml_node nextElement(pugi::xml_node node) {
  for (pugi::xml_node c = node.next_sibling(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element) return c;
  return {};
}

pugi::xml_node childLocal(pugi::xml_node node, const char* local) {
  for (pugi::xml_node c = firstElement(node); c; c = nextElement(c))
    if (localName(c) == QLatin1String(local)) return c;
  return {};
}

QString textOf(pugi::xml_node node) {
  QByteArray text;
  for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) text += c.value();
  return QString::fromUtf8(text);
}

}  // namespace orvalto::xml
