#pragma once
// A namespace-aware XML tree read with QXmlStreamReader, so the tests check
// the simulator's answers with a parser other than the one it uses.
#include <QMap>
#include <QString>
#include <vector>

namespace orvalto::test {

struct XmlNode {
  QString nameSpace;
  QString name;                       // local name
  QMap<QString, QString> attributes;  // "{ns}local" or "local" -> value
  QMap<QString, QString> scope;       // prefix -> namespace in force here
  QString text;
  std::vector<XmlNode> children;

  const XmlNode* child(const QString& local) const;
  QString attribute(const QString& key) const { return attributes.value(key); }
  // "p:Local[3]" -> "{namespace of p}Local[3]"
  QString resolve(const QString& qname) const;
};

// The document element; a node without name when the text is not XML.
XmlNode parseXml(const QByteArray& xml);

// Follows href="#id" to the element of `root` with that id; the node itself
// when it has no href, nullptr when the reference leads nowhere.
const XmlNode* dereference(const XmlNode& node, const XmlNode& root);

inline const QString kXsi = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");
inline const QString kSoapEnc = QStringLiteral("http://schemas.xmlsoap.org/soap/encoding/");
inline const QString kSoapEnv = QStringLiteral("http://schemas.xmlsoap.org/soap/envelope/");

}  // namespace orvalto::test
