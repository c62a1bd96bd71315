#include "xml_tree.h"

#include <QXmlStreamReader>

namespace orvalto::test {

const XmlNode* XmlNode::child(const QString& local) const {
  for (const XmlNode& node : children)
    if (node.name == local) return &node;
  return nullptr;
}

QString XmlNode::resolve(const QString& qname) const {
  const qsizetype colon = qname.indexOf(QLatin1Char(':'));
  const QString prefix = colon < 0 ? QString() : qname.left(colon);
  return "{" + scope.value(prefix, "unbound:" + prefix) + "}" + qname.mid(colon + 1);
}

namespace {

XmlNode readElement(QXmlStreamReader& reader, const QMap<QString, QString>& parentScope) {
  XmlNode node;
  node.nameSpace = reader.namespaceUri().toString();
  node.name = reader.name().toString();
  node.scope = parentScope;
  for (const QXmlStreamNamespaceDeclaration& declaration : reader.namespaceDeclarations())
    node.scope.insert(declaration.prefix().toString(), declaration.namespaceUri().toString());
  for (const QXmlStreamAttribute& attribute : reader.attributes()) {
    const QString ns = attribute.namespaceUri().toString();
    node.attributes.insert(ns.isEmpty() ? attribute.name().toString() : "{" + ns + "}" + attribute.name().toString(),
                           attribute.value().toString());
  }
  while (reader.readNext() != QXmlStreamReader::EndElement && !reader.hasError()) {
    if (reader.isStartElement()) node.children.push_back(readElement(reader, node.scope));
    if (reader.isCharacters()) node.text += reader.text();
  }
  return node;
}

const XmlNode* findById(const XmlNode& node, const QString& id) {
  if (node.attribute("id") == id) return &node;
  for (const XmlNode& child : node.children)
    if (const XmlNode* found = findById(child, id)) return found;
  return nullptr;
}

}  // namespace

XmlNode parseXml(const QByteArray& xml) {
  QXmlStreamReader reader(xml);
  while (!reader.atEnd() && !reader.isStartElement()) reader.readNext();
  if (!reader.isStartElement()) return {};
  XmlNode root = readElement(reader, {});
  return reader.hasError() ? XmlNode() : root;
}

const XmlNode* dereference(const XmlNode& node, const XmlNode& root) {
  const QString href = node.attribute("href");
  if (href.isEmpty()) return &node;
  return href.startsWith('#') ? findById(root, href.mid(1)) : nullptr;
}

}  // namespace orvalto::test
